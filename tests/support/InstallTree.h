#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Running the build's install and packaging tools from a test: the build folder these
// tests were made in, a command's outcome, and what lies under a folder.
namespace InstallTree {

struct Outcome
{
    bool finished = false;
    int exitCode = -1;
    QString output; // standard output and error together
};

// The build folder of the tests (the parent of ORLIN_BIN_DIR).
QString buildFolder();

// Runs `program` with `args`, waits up to `timeoutMs`; a program not found or killed
// by a signal counts as not finished.
Outcome run(const QString &program, const QStringList &args,
            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
            int timeoutMs = 180000);

// The tools a test needs that are not on PATH, joined for a skip message; empty when all are.
QString missingTools(const QStringList &tools);

// Every file under `folder`, as paths relative to it, sorted.
QStringList filesUnder(const QString &folder);

} // namespace InstallTree
