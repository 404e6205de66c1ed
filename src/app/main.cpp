#include "app/ReaderProgram.h"
#include "app/fSHAREDErrorRpt.h"
#include "platform/EspeakEngine.h"
#include "ui/MessageBoxDialog.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlin"));
    QApplication::setDesktopFileName(QStringLiteral("orlin"));
    // The real parts behind the seams: message boxes a user answers, the error report
    // window, the espeak-ng voice.
    MessageBoxDialog::install();
    fSHAREDErrorRpt::install();
    EspeakEngine::installAsSpeechEngine();

    // One document path; a path with blanks given unquoted arrives in several pieces.
    return ReaderProgram::run(QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
