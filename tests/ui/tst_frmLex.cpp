#include "ui/frmLex.h"

#include "speech/clsDict.h"
#include "support/FakeSpeechEngine.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/frmWordPair.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <deque>
#include <gtest/gtest.h>

namespace {

using Rows = QList<std::pair<QString, QString>>;

struct Answer
{
    bool cancelled = false;
    QString original;
    QString newWord;
};

// The list window with the word-pair dialog answered from a script, recording what
// each dialog was opened with.
class ScriptedLex : public frmLex
{
public:
    using frmLex::frmLex;

    std::deque<Answer> answers;
    Rows asked;

protected:
    bool AskWordPair(QString &Original, QString &NewWord) override
    {
        asked.append({ Original, NewWord });
        if (answers.empty()) {
            ADD_FAILURE() << "word-pair dialog opened unexpectedly";
            return false;
        }
        const Answer a = answers.front();
        answers.pop_front();
        if (a.cancelled)
            return false;
        Original = a.original;
        NewWord = a.newWord;
        return true;
    }
};

Rows rowsOf(const QTreeWidget *list)
{
    Rows rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows.append({ list->topLevelItem(i)->text(0), list->topLevelItem(i)->text(1) });
    return rows;
}

Rows pairsOf(const clsDict &dict)
{
    Rows out;
    if (dict.Words) {
        for (const auto &p : *dict.Words)
            out.append({ p->OriginalWord, p->NewWord });
    }
    return out;
}

void selectRow(frmLex &lex, int row)
{
    lex.ListView1->clearSelection();
    lex.ListView1->topLevelItem(row)->setSelected(true);
}

const QByteArray kTwoPairs = "Smyth,Smith\r\n  Jones , Joans \r\n";

TEST(frmLex, OpensWithTheFileAndTheSpecNamedControls)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", kTwoPairs);
    clsDict dict;
    dict.AddWordPair(std::make_shared<clsWordPair>(clsWordPair { "stale", "entry" }));
    ScriptedLex lex(&dict);
    EXPECT_EQ(lex.windowTitle(), "Pronunciation Setup");
    EXPECT_EQ(lex.ListView1->headerItem()->text(0), "Original");
    EXPECT_EQ(lex.ListView1->headerItem()->text(1), "New");
    for (const char *name : { "cmdAdd", "cmdEdit", "cmdDelete", "cmdOK", "cmdCancel" })
        EXPECT_NE(lex.findChild<QPushButton *>(name), nullptr) << name;
    // The list shows the file as it is now, spaces and all.
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "Smyth", "Smith" }, { "  Jones ", " Joans " } }));
    EXPECT_EQ(pairsOf(dict), rowsOf(lex.ListView1));
    EXPECT_TRUE(lex.ListView1->selectedItems().isEmpty());
}

TEST(frmLex, NoFileOpensEmptyAndOkWritesAnEmptyFile)
{
    TempProgramFolder folder;
    clsDict dict;
    ScriptedLex lex(&dict);
    EXPECT_EQ(lex.ListView1->topLevelItemCount(), 0);
    lex.cmdOK_Click();
    EXPECT_EQ(lex.result(), QDialog::Accepted);
    EXPECT_TRUE(QFile::exists(folder.file("ol1dict.txt")));
    EXPECT_EQ(folder.readBytes("ol1dict.txt"), QByteArray());
    EXPECT_EQ(dict.WordCount(), 0);
}

TEST(frmLex, AddAppendsUnlessCancelledAndEmptyBoxesSaveAsALoneComma)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", "Smyth,Smith\r\n");
    clsDict dict;
    ScriptedLex lex(&dict);
    lex.answers = { { true, "ignored", "ignored" },
                    { false, "", "" },
                    { false, " Cholmondeley ", "Chumley" } };

    lex.cmdAdd_Click();
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "Smyth", "Smith" } }));
    lex.cmdAdd_Click();
    lex.cmdAdd_Click();
    // Every Add opens the dialog with empty boxes.
    EXPECT_EQ(lex.asked, (Rows { { "", "" }, { "", "" }, { "", "" } }));
    EXPECT_EQ(rowsOf(lex.ListView1),
              (Rows { { "Smyth", "Smith" }, { "", "" }, { " Cholmondeley ", "Chumley" } }));

    lex.cmdOK_Click();
    EXPECT_EQ(folder.readBytes("ol1dict.txt"),
              QByteArray("Smyth,Smith\r\n,\r\nCholmondeley,Chumley\r\n"));
}

TEST(frmLex, EditAndDeleteNeedASelectedRow)
{
    TempProgramFolder folder;
    clsDict dict;
    {
        ScriptedLex empty(&dict);
        empty.cmdEdit_Click();
        empty.cmdDelete_Click();
        EXPECT_TRUE(empty.asked.isEmpty());
        EXPECT_EQ(empty.ListView1->topLevelItemCount(), 0);
    }

    folder.writeBytes("ol1dict.txt", kTwoPairs);
    ScriptedLex lex(&dict);
    lex.ListView1->setCurrentItem(nullptr);
    lex.ListView1->clearSelection();
    lex.cmdEdit_Click();
    lex.cmdDelete_Click();
    EXPECT_TRUE(lex.asked.isEmpty());
    EXPECT_EQ(lex.ListView1->topLevelItemCount(), 2);
}

TEST(frmLex, EditFillsTheDialogFromTheRowAndDeleteRemovesOnlyThatRow)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", "a,1\r\nb,2\r\nc,3\r\n");
    clsDict dict;
    ScriptedLex lex(&dict);
    lex.answers = { { true, "x", "y" }, { false, "B", "two" } };

    selectRow(lex, 1);
    lex.cmdEdit_Click(); // cancelled: row unchanged
    lex.cmdEdit_Click();
    EXPECT_EQ(lex.asked, (Rows { { "b", "2" }, { "b", "2" } }));
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "a", "1" }, { "B", "two" }, { "c", "3" } }));

    selectRow(lex, 0);
    lex.cmdDelete_Click();
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "B", "two" }, { "c", "3" } }));
    // A second click does not take the next row with it.
    lex.cmdDelete_Click();
    EXPECT_EQ(lex.ListView1->topLevelItemCount(), 2);
}

TEST(frmLex, DoubleClickingARowEditsIt)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", "a,1\r\nb,2\r\n");
    clsDict dict;
    ScriptedLex lex(&dict);
    lex.answers = { { false, "b", "bee" } };
    lex.show();
    QTreeWidgetItem *row = lex.ListView1->topLevelItem(1);
    const QPoint centre = lex.ListView1->visualItemRect(row).center();
    QWidget *viewport = lex.ListView1->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre);
    EXPECT_EQ(lex.asked, (Rows { { "b", "2" } }));
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "a", "1" }, { "b", "bee" } }));
}

TEST(frmLex, CancelAfterEditsLeavesFileAndDictionaryAsOpened)
{
    enum class Leave { Button, Frame };
    for (Leave leave : { Leave::Button, Leave::Frame }) {
        TempProgramFolder folder;
        folder.writeBytes("ol1dict.txt", kTwoPairs);
        clsDict dict;
        ScriptedLex lex(&dict);
        const auto opened = *dict.Words;
        lex.answers = { { false, "new", "word" }, { false, "changed", "pair" } };
        lex.show();
        lex.cmdAdd_Click();
        selectRow(lex, 0);
        lex.cmdEdit_Click();
        selectRow(lex, 1);
        lex.cmdDelete_Click();
        ASSERT_EQ(rowsOf(lex.ListView1), (Rows { { "changed", "pair" }, { "new", "word" } }));

        if (leave == Leave::Button)
            lex.cmdCancel->click();
        else
            lex.close();
        EXPECT_EQ(lex.result(), QDialog::Rejected);
        EXPECT_FALSE(lex.isVisible());
        EXPECT_EQ(folder.readBytes("ol1dict.txt"), kTwoPairs);
        ASSERT_TRUE(dict.Words.has_value());
        EXPECT_EQ(*dict.Words, opened); // the very same pair objects, untouched
        EXPECT_EQ(pairsOf(dict), (Rows { { "Smyth", "Smith" }, { "  Jones ", " Joans " } }));
    }
}

TEST(frmLex, OkRebuildsTheDictionaryInRowOrderAndSavesTrimmed)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", kTwoPairs);
    clsDict dict;
    ScriptedLex lex(&dict);
    lex.answers = { { false, "  Featherstonehaugh ", " Fanshaw  " } };
    lex.cmdAdd_Click();
    selectRow(lex, 0);
    lex.cmdDelete_Click();
    lex.cmdOK->click();

    EXPECT_EQ(lex.result(), QDialog::Accepted);
    const Rows expected = { { "  Jones ", " Joans " }, { "  Featherstonehaugh ", " Fanshaw  " } };
    EXPECT_EQ(pairsOf(dict), expected);
    EXPECT_EQ(folder.readBytes("ol1dict.txt"),
              QByteArray("Jones,Joans\r\nFeatherstonehaugh,Fanshaw\r\n"));
    // What Read reloads is what the user saw.
    clsDict reloaded;
    reloaded.LoadWords();
    EXPECT_EQ(pairsOf(reloaded),
              (Rows { { "Jones", "Joans" }, { "Featherstonehaugh", "Fanshaw" } }));
}

TEST(frmLex, FailedSaveWarnsAndKeepsTheEditsOpen)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", kTwoPairs);
    clsDict dict;
    dict.setFileName(folder.file("gone/ol1dict.txt"));
    QList<MessageBoxes::Message> shown;
    MessageBoxes::ScopedHandler handler([&](const MessageBoxes::Message &m) {
        shown.append(m);
        return int(MessageBoxes::Ok);
    });

    ScriptedLex lex(&dict);
    lex.answers = { { false, "cat", "dog" } };
    lex.show();
    lex.cmdAdd_Click();
    lex.cmdOK_Click();

    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first().text, "The pronunciation list could not be saved.");
    EXPECT_TRUE(lex.isVisible());
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "cat", "dog" } }));
    // The dictionary stays what its file says, so reading does not use an unsaved list.
    EXPECT_EQ(dict.WordCount(), 0);
}

// The real word-pair dialog, answered through its own buttons.
TEST(frmLex, AddAndEditThroughTheRealWordPairDialog)
{
    TempProgramFolder folder;
    FakeSpeechEngine::Scope fakes;
    clsDict dict;
    frmLex lex(&dict);
    lex.show();

    auto answer = [](std::function<void(frmWordPair &)> act) {
        QTimer::singleShot(0, [act] {
            auto *dialog = qobject_cast<frmWordPair *>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no word-pair dialog";
                return;
            }
            act(*dialog);
        });
    };

    answer([](frmWordPair &d) {
        d.Text1->setText("Smyth");
        d.Text2->setText("Smith");
        d.cmdOK->click();
    });
    lex.cmdAdd->click();
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "Smyth", "Smith" } }));

    Rows seen;
    answer([&seen](frmWordPair &d) {
        seen.append({ d.Text1->text(), d.Text2->text() });
        d.Text2->setText("ignored");
        d.close(); // the frame's close box
    });
    selectRow(lex, 0);
    lex.cmdEdit->click();
    EXPECT_EQ(seen, (Rows { { "Smyth", "Smith" } }));
    EXPECT_EQ(rowsOf(lex.ListView1), (Rows { { "Smyth", "Smith" } }));

    lex.cmdOK->click();
    EXPECT_EQ(folder.readBytes("ol1dict.txt"), QByteArray("Smyth,Smith\r\n"));
}

} // namespace
