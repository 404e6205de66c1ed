// OrlinUpdater: installs the update package the reader downloaded, once the reader has
// ended, and starts the reader again. The reader starts it with its window's caption as
// the command line; the package is named in updater.ini beside this program, and is
// installed only when the maker's signature on it verifies here. It shows no window: what
// it did is in updater.log in the same folder (and on standard error).
//
//   OrlinUpdater [--wait-seconds=N] CAPTION...

#include "base/ProcessServices.h"
#include "base/ProgramInfo.h"
#include "base/cSharedLogging.h"
#include "tools/UpdateInstaller.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int waitSeconds = 60;
    const QLatin1String waitOption("--wait-seconds=");
    if (!arguments.isEmpty() && arguments.first().startsWith(waitOption)) {
        bool ok = false;
        const int value = arguments.takeFirst().mid(waitOption.size()).toInt(&ok);
        if (ok && value >= 0 && value <= 3600)
            waitSeconds = value;
    }

    // The installer works in its own folder, the reader's, whatever the current folder is.
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    ProgramInfo::setProgramFolder(folder);
    ProcessServices services;
    // Its own log: the reader replaces log.txt when it starts again.
    Log().OverrideLogFilename(QDir(folder).filePath(QStringLiteral("updater.log")));

    UpdateInstaller installer(folder, waitSeconds);
    const UpdateInstaller::Outcome outcome = installer.Run(arguments.join(QLatin1Char(' ')));
    if (outcome != UpdateInstaller::StillRunning && outcome != UpdateInstaller::NotHere)
        installer.RestartProgram();
    return int(outcome);
}
