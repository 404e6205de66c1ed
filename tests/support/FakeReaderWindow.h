#pragma once

#include "app/ReaderWindow.h"
#include "ui/DocumentView.h"

#include <QString>
#include <QStringList>
#include <functional>

// A document view without a widget for the controllers' own tests: the text shown, the
// caret and the selection, with every selection the controllers made recorded.
class FakeDocumentView : public DocumentView
{
public:
    void showDocument(const Document &document) override;
    void showBeginning(const Document &document, qsizetype shown) override;
    void appendText(const QString &appended) override;
    const QString &Text() const override { return text; }
    int SelStart() const override { return selStart; }
    void setSelStart(int position) override;
    int SelLength() const override { return selLength; }
    void setSelLength(int length) override;
    void selectRange(int start, int length) override;
    bool isOnScreen() const override { return onScreen; }

    // The text as the user typed it, with the caret there.
    void type(const QString &typed, int caret = 0);
    // The characters shown: a caret or a selection goes no further.
    int shownLength() const { return int(text.size() - toCome); }
    // The text selected now.
    QString selected() const { return text.mid(selStart, selLength); }

    QString text;
    // Of a text shown from its beginning, the characters not shown yet.
    qsizetype toCome = 0;
    int selStart = 0;
    int selLength = 0;
    int documentsShown = 0;
    bool onScreen = true;
    QStringList selections; // each selectRange's text, in order
};

// A main window without widgets for the controllers' own tests: records what they ask of it,
// in order, as "what: detail" lines (calls), and answers the voice list from `voices`.
class FakeReaderWindow : public ReaderWindow
{
public:
    QWidget *dialogParent() override { return nullptr; }
    void setCaption(const QString &text) override;
    void setReloadEnabled(bool enabled) override;
    void fillPitchList() override { calls << QStringLiteral("pitch list"); }
    void fillLanguageMenu() override { calls << QStringLiteral("language menu"); }
    void useSymbolFallbacks(bool webdingsMissing, bool wingdingsMissing) override;
    void fillVoiceList(const clsTalker &talker) override;
    void chooseVoice(int index) override;
    void fixMinimumSize() override { calls << QStringLiteral("minimum size"); }
    void createUpdater() override { calls << QStringLiteral("updater"); }
    void setUpdateTimer(bool running) override;
    void closeWindow() override;

    QStringList calls;
    QString caption;
    bool reloadEnabled = false;
    QStringList voices;
    int chosenVoice = -1;
    bool timerRunning = false;
    bool closed = false;
    // Runs as a voice list click would after chooseVoice (the window's cmbEngine_Click).
    std::function<void(int)> onVoiceChosen;
};
