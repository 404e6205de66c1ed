#pragma once

#include <QString>

// The reader's run once the application object exists and the program's real parts are
// installed: the process services first (so the log exists before any file is opened),
// then the main window started on the command line, the event loop, and at the end the
// window and then the services, the log last, so its pending entries reach log.txt.
class frmMain;

namespace ReaderProgram {

// CommandLine names a document to open and read at once; without one the sample
// document is shown at the very first start. Returns the process's exit code.
int run(const QString &CommandLine);

// After start-up without a document: the first start ever (no settings file yet) shows
// Sample, without a bookmark of its own; later starts open nothing.
void ShowSampleOnFirstStart(frmMain &window, const QString &CommandLine, bool firstStart,
                            const QString &Sample);

} // namespace ReaderProgram
