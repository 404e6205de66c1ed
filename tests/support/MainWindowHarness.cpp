#include "support/MainWindowHarness.h"

#include "speech/clsTalker.h"
#include "ui/RichTextBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTextCursor>

MainWindowHarness::MainWindowHarness()
    : m_boxes([this](const MessageBoxes::Message &message) {
        messages.append(message);
        return int(MessageBoxes::Ok);
    })
{
}

MainWindowHarness::~MainWindowHarness()
{
    window.reset();
    // The talker is released with deleteLater; let it go while its engine factory lives.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool MainWindowHarness::start(const QString &commandLine)
{
    window = std::make_unique<frmMain>();
    const bool started = window->Form_Load(commandLine);
    if (started && !window->isClosedDown())
        window->show();
    return started;
}

QString MainWindowHarness::writeDocument(const QString &name, const QString &text) const
{
    folder.writeBytes(name, text.toUtf8());
    return folder.file(name);
}

void MainWindowHarness::showText(const QString &text, int caret)
{
    view()->setText(text);
    view()->setSelStart(caret);
}

QString MainWindowHarness::selectedText() const
{
    return view()->textCursor().selectedText();
}

QList<MainWindowHarness::Spoken> MainWindowHarness::readToTheEnd()
{
    QList<Spoken> spoken;
    clsTalker *talker = window->reading().Talker();
    // Connected after the window's own handler, so the selection is already made.
    const QMetaObject::Connection connection =
        QObject::connect(talker, &clsTalker::SpeakingSentence, [&](const QString &sentence) {
            spoken.append(
                { sentence, view()->Text().mid(view()->SelStart(), view()->SelLength()) });
        });
    window->cmdRead_Click();
    for (int guard = 0; talker->isSpeaking() && guard < 10000; ++guard)
        engine()->emitDone();
    QObject::disconnect(connection);
    return spoken;
}

QStringList MainWindowHarness::logEvents() const
{
    QStringList events;
    const QString content = QString::fromLatin1(folder.readBytes(QStringLiteral("log.txt")));
    const QStringList lines = content.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        // "n HH:mm:ss, text"
        const qsizetype comma = line.indexOf(QStringLiteral(", "));
        events.append(comma < 0 ? line : line.mid(comma + 2));
    }
    return events;
}
