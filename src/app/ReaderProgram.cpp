#include "app/ReaderProgram.h"

#include "app/DocumentController.h"
#include "app/SessionEnd.h"
#include "app/frmMain.h"
#include "base/ProcessServices.h"
#include "base/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// The document to show when none is named: the sample beside the executable (a build
// or portable install), else the one in the installed share folder.
QString sampleDocument()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList candidates {
        QDir(exeDir).filePath(QStringLiteral("sample.txt")),
        QDir(exeDir).filePath(QStringLiteral("../share/orlin/sample.txt")),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    }
    return {};
}

} // namespace

namespace ReaderProgram {

int run(const QString &CommandLine)
{
    // Declared first, so it ends last: everything below may still log while it ends.
    ProcessServices services;
    // Start-up reads the settings file and close-down writes it: only the first run finds none.
    const bool firstStart =
        !QFileInfo::exists(ProgramInfo::programFile(QStringLiteral("Orlin.ini")));
    frmMain window;
    if (!window.Form_Load(CommandLine))
        return 0;
    if (window.isClosedDown())
        return 0;
    ShowSampleOnFirstStart(window, CommandLine, firstStart, sampleDocument());
    // Logging out or being told to stop saves the bookmarks and settings as Quit does.
    SessionEnd ending([&window] { window.CloseDown(); });
    window.showWhenWhole();
    return QCoreApplication::exec();
}

void ShowSampleOnFirstStart(frmMain &window, const QString &CommandLine, bool firstStart,
                            const QString &Sample)
{
    if (firstStart && CommandLine.trimmed().isEmpty() && !Sample.isEmpty())
        window.documents().LoadDocument(Sample, DocumentController::Bookmark::None);
}

} // namespace ReaderProgram
