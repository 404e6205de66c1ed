#include "app/ReaderProgram.h"
#include "app/fSHAREDErrorRpt.h"
#include "base/ProgramInfo.h"
#include "net/UpdateHandOff.h"
#include "platform/EspeakEngine.h"
#include "platform/RenderWorker.h"
#include "platform/SpeechEngines.h"
#include "ui/MessageBoxDialog.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <optional>

int main(int argc, char *argv[])
{
    // The installer asks a new program its version before it replaces the old one: no
    // window, no file touched.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", qPrintable(UpdateHandOff::ProgramName()),
                    qPrintable(ProgramInfo::versionText()));
        return 0;
    }
    // Started by Read to WAV to synthesise one share of the text: no window.
    if (const std::optional<int> worker = RenderWorker::runIfAsked(argc, argv))
        return *worker;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlin"));
    // The menu entry's name: the desktop matches the window to it for its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.orlin_reader.Orlin"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orlin_reader.Orlin")));
    // The real parts behind the seams: message boxes a user answers, the error report
    // window, the voices of every engine.
    MessageBoxDialog::install();
    fSHAREDErrorRpt::install();
    SpeechEngines::install(SpeechEngines::SystemVoices::Included,
                           SpeechEngines::SystemListing::Later);
    RenderWorker::installSelf();

    // One document path; a path with blanks given unquoted arrives in several pieces.
    return ReaderProgram::run(QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
