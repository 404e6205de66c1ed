#include "app/frmMain.h"
#include "platform/EspeakEngine.h"
#include "ui/MessageBoxDialog.h"

#include <QApplication>
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

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlin"));
    QApplication::setDesktopFileName(QStringLiteral("orlin"));
    MessageBoxDialog::install();
    EspeakEngine::installAsSpeechEngine();

    // One document path; a path with blanks given unquoted arrives in several pieces.
    const QString commandLine = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));

    frmMain window;
    if (!window.Form_Load(commandLine))
        return 0;
    if (window.isClosedDown())
        return 0;
    if (commandLine.trimmed().isEmpty()) {
        const QString sample = sampleDocument();
        if (!sample.isEmpty())
            window.LoadDocument(sample);
    }
    window.show();
    return app.exec();
}
