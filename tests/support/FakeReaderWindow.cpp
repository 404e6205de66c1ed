#include "support/FakeReaderWindow.h"

#include "documents/Document.h"
#include "speech/clsTalker.h"

#include <algorithm>

void FakeDocumentView::showDocument(const Document &document)
{
    showBeginning(document, document.text.size());
}

void FakeDocumentView::showBeginning(const Document &document, qsizetype shown)
{
    text = document.text;
    toCome = text.size() - shown;
    selStart = 0;
    selLength = 0;
    ++documentsShown;
}

void FakeDocumentView::appendText(const QString &appended)
{
    if (toCome > 0)
        toCome -= appended.size();
    else
        text += appended;
}

void FakeDocumentView::setSelStart(int position)
{
    selStart = std::clamp(position, 0, shownLength());
    selLength = 0;
}

void FakeDocumentView::setSelLength(int length)
{
    selLength = std::clamp(length, 0, shownLength() - selStart);
}

void FakeDocumentView::selectRange(int start, int length)
{
    selStart = std::clamp(start, 0, shownLength());
    selLength = std::clamp(length, 0, shownLength() - selStart);
    selections << selected();
}

void FakeDocumentView::type(const QString &typed, int caret)
{
    text = Document::ShownText(typed);
    setSelStart(caret);
}

void FakeReaderWindow::setCaption(const QString &text)
{
    caption = text;
    calls << QStringLiteral("caption: ") + text;
}

void FakeReaderWindow::setReloadEnabled(bool enabled)
{
    reloadEnabled = enabled;
    calls << QStringLiteral("reload: %1").arg(enabled ? "on" : "off");
}

void FakeReaderWindow::useSymbolFallbacks(bool webdingsMissing, bool wingdingsMissing)
{
    calls << QStringLiteral("symbol fallbacks: %1 %2")
                 .arg(webdingsMissing ? "webdings" : "-", wingdingsMissing ? "wingdings" : "-");
}

void FakeReaderWindow::fillVoiceList(const clsTalker &talker)
{
    voices = talker.VoiceNames();
    calls << QStringLiteral("voices: ") + voices.join(QLatin1Char('|'));
}

void FakeReaderWindow::chooseVoice(int index)
{
    chosenVoice = index;
    calls << QStringLiteral("voice: %1").arg(index);
    if (onVoiceChosen)
        onVoiceChosen(index);
}

void FakeReaderWindow::setUpdateTimer(bool running)
{
    timerRunning = running;
    calls << QStringLiteral("update timer: %1").arg(running ? "on" : "off");
}

void FakeReaderWindow::closeWindow()
{
    closed = true;
    calls << QStringLiteral("closed");
}
