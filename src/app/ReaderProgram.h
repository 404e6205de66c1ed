#pragma once

#include <QString>

// The reader's run once the application object exists and the program's real parts are
// installed: the process services first (so the log exists before any file is opened),
// then the main window started on the command line, the event loop, and at the end the
// window and then the services, the log last, so its pending entries reach log.txt.
namespace ReaderProgram {

// CommandLine names a document to open and read at once; without one the sample
// document is shown. Returns the process's exit code.
int run(const QString &CommandLine);

} // namespace ReaderProgram
