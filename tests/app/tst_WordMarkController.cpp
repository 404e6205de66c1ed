// The mark on the word being heard, through the main window on the fake engine: the
// engine reports words by position in the text it was given, the view marks them on the
// words the user sees.
#include "app/WordMarkController.h"

#include "base/cSHAREDSettings.h"
#include "support/MainWindowHarness.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

struct Reading : MainWindowHarness
{
    Reading() { EXPECT_TRUE(start()); }

    // Reports the `occurrence`-th `word` of the text the engine is speaking now.
    void hear(const QString &word, int occurrence = 0)
    {
        const QString spoken = engine()->spoken.last();
        qsizetype at = -1;
        for (int n = 0; n <= occurrence; ++n)
            at = spoken.indexOf(word, at + 1);
        ASSERT_GE(at, 0) << qPrintable(word) << " in " << qPrintable(spoken);
        engine()->emitWord(int(at), int(word.size()));
    }

    QString marked() const
    {
        const auto mark = view()->wordMark();
        return mark ? view()->Text().mid(mark->first, mark->second) : QString();
    }
};

TEST(WordMarkController, MarksTheWordsTheUserSeesInsideTheSelection)
{
    Reading r;
    r.folder.writeBytes("ol1dict.txt", "Dr,Doctor\r\nUSA,you ess ay\r\n");
    r.showText(QStringLiteral("   \"Look,\" she said: Dr Who flew to the USA.\r\n"
                              "-- Then he landed; all was well."));
    r.window->cmdRead_Click();
    const int selStart = r.view()->SelStart();
    const int selLength = r.view()->SelLength();
    ASSERT_EQ(r.selectedText(), QStringLiteral("\"Look,\" she said: Dr Who flew to the USA."));

    const struct
    {
        const char *heard;
        const char *marked;
    } first[] = {
        { "Look", "Look" }, { "said", "said" }, { "Doctor", "Dr" },
        { "Who", "Who" },   { "ess", "USA" },   { "ay", "USA" },
    };
    for (const auto &w : first) {
        r.hear(QString::fromUtf8(w.heard));
        EXPECT_EQ(r.marked(), QString::fromUtf8(w.marked)) << w.heard;
        const auto mark = r.view()->wordMark();
        ASSERT_TRUE(mark) << w.heard;
        EXPECT_GE(mark->first, selStart) << w.heard;
        EXPECT_LE(mark->first + mark->second, selStart + selLength) << w.heard;
        // The sentence's selection stays exactly as the highlight made it.
        EXPECT_EQ(r.view()->SelStart(), selStart);
        EXPECT_EQ(r.view()->SelLength(), selLength);
    }

    // The sentence's audio ends: no word is heard; the next sentence has its own marks.
    r.engine()->emitDone();
    EXPECT_EQ(r.marked(), QString());
    // The highlight keeps the dashes the store trims off: the words are found all the same.
    ASSERT_EQ(r.selectedText(), QStringLiteral("-- Then he landed; all was well."));
    r.hear(QStringLiteral("all"));
    EXPECT_EQ(r.marked(), QStringLiteral("all"));
    const auto mark = r.view()->wordMark();
    EXPECT_EQ(r.view()->Text().mid(mark->first - 5, 4), QStringLiteral("ded;"));

    r.window->cmdStopReading_Click();
    EXPECT_EQ(r.marked(), QString()) << "Stop takes the mark away";
}

TEST(WordMarkController, TheSettingsMenuTurnsTheMarkOffAndOn)
{
    Reading r;
    QAction *item = control<QAction>(*r.window, "mnuMarkWord");
    ASSERT_TRUE(item->isChecked()) << "on by default";
    r.showText(QStringLiteral("Ships sail at dawn. Birds sing."));
    r.window->cmdRead_Click();
    r.hear(QStringLiteral("sail"));
    EXPECT_EQ(r.marked(), QStringLiteral("sail"));

    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(r.marked(), QString()) << "turned off, the mark goes at once";
    EXPECT_EQ(Settings().sGet(QStringLiteral("MarkSpokenWord"), 1).toInt(), 0);
    r.hear(QStringLiteral("dawn"));
    EXPECT_EQ(r.marked(), QString());

    item->trigger();
    EXPECT_EQ(Settings().sGet(QStringLiteral("MarkSpokenWord"), 0).toInt(), 1);
    r.hear(QStringLiteral("dawn"));
    EXPECT_EQ(r.marked(), QStringLiteral("dawn"));
}

TEST(WordMarkController, TheStoredChoiceIsShownAtStart)
{
    MainWindowHarness h;
    h.folder.writeBytes("Orlin.ini", "MARKSPOKENWORD,0\r\n");
    ASSERT_TRUE(h.start());
    EXPECT_FALSE(control<QAction>(*h.window, "mnuMarkWord")->isChecked());
}

// Qt paints the selection over extra selections; the mark must still show inside it.
TEST(WordMarkController, TheMarkIsVisibleInsideTheSelectedSentence)
{
    Reading r;
    r.window->resize(900, 500);
    r.showText(QStringLiteral("Wonderful words are spoken here. Another one follows."));
    r.window->cmdRead_Click();
    r.hear(QStringLiteral("spoken"));
    ASSERT_EQ(r.marked(), QStringLiteral("spoken"));
    RichTextBox *view = r.view();
    QTextCursor at(view->document());
    at.setPosition(view->wordMark()->first + 2);
    const QRect cell = view->cursorRect(at);
    const QImage image = view->viewport()->grab().toImage();
    auto count = [&](const QRect &area, const QColor &colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.rect().contains(x, y) && QColor(image.pixel(x, y)) == colour)
                    ++n;
            }
        }
        return n;
    };
    EXPECT_GT(count(cell.adjusted(-4, 0, 4, 0), RichTextBox::wordMarkColor()), 10)
        << "the marked word shows the mark's colour";
    at.setPosition(2); // in "Wonderful": selected, not marked
    const QRect other = view->cursorRect(at);
    EXPECT_EQ(count(other.adjusted(-4, 0, 4, 0), RichTextBox::wordMarkColor()), 0);
}

} // namespace
