// What a screen reader and a keyboard user meet in Orlin's windows: every control has a
// name that says what it does, in the window's language; the document view reports the
// sentence being read; the main window's buttons answer their shortcuts.
#include "OrlinVersion.h"
#include "base/InstalledFonts.h"
#include "base/Seam.h"
#include "base/cSharedLang.h"
#include "support/MainWindowHarness.h"
#include "support/ProgramWindows.h"
#include "ui/FormTexts.h"
#include "ui/FormTranslator.h"
#include "ui/ScreenReader.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

QString shippedLanguages()
{
    const QString fromEnv = qEnvironmentVariable("ORLIN_SOURCE_DIR");
    return (fromEnv.isEmpty() ? QStringLiteral(ORLIN_SOURCE_DIR) : fromEnv)
        + QStringLiteral("/resources/Languages");
}

// A control as a screen reader reaches it: its window, its place and what it is called.
struct Named
{
    QString where;
    QString name;
};

QList<Named> namesOf(QWidget *window)
{
    QList<Named> out;
    const auto widgets = window->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (w->window() != window || !ScreenReader::isInteractive(w) || !w->isVisibleTo(window)
            || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        out.append({ window->objectName() + QLatin1Char('/') + w->objectName() + QLatin1Char(' ')
                         + QString::fromLatin1(w->metaObject()->className()),
                     ScreenReader::spokenName(w) });
    }
    // The entries of its menus, the language menu among them.
    const auto menus = window->findChildren<QMenu *>();
    for (QMenu *menu : menus) {
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            if (!action->isSeparator())
                out.append({ window->objectName() + QStringLiteral(" menu ") + menu->objectName(),
                             QString(action->text()).remove(QLatin1Char('&')) });
        }
    }
    return out;
}

// Every window, constructed and translated as the program shows it, in the language the
// main window was switched to.
QList<Named> everyWindowsNames(MainWindowHarness &harness)
{
    QList<Named> out = namesOf(harness.window.get());
    ProgramWindows windows;
    for (const auto &w : windows.all()) {
        FormTranslator::TranslateForm(w.get());
        out.append(namesOf(w.get()));
    }
    return out;
}

TEST(Accessibility, EveryControlOfEveryWindowIsNamedInEnglishAndInGerman)
{
    std::optional<Seam::Override<InstalledFonts::FamiliesSeam>> noSymbolFonts;
    noSymbolFonts.emplace(QStringList {});
    MainWindowHarness harness;
    QDir().mkpath(harness.folder.file("Languages"));
    QFile::copy(shippedLanguages() + "/de.txt", harness.folder.file("Languages/de.txt"));
    ASSERT_TRUE(harness.start());
    noSymbolFonts.reset();

    const QList<Named> english = everyWindowsNames(harness);
    harness.window->mnuLanguage_Click(1);
    ASSERT_EQ(Lang().CurrentLanguage(), "Deutsch");
    const QList<Named> german = everyWindowsNames(harness);

    ASSERT_EQ(english.size(), german.size());
    EXPECT_GT(english.size(), 40);
    for (qsizetype i = 0; i < english.size(); ++i) {
        const std::string where = english.at(i).where.toStdString();
        // A name is words: not empty, not a symbol such as "G", "+" or "X".
        EXPECT_TRUE(FormTexts::isTranslatable(english.at(i).name))
            << where << " is called \"" << english.at(i).name.toStdString() << "\"";
        EXPECT_TRUE(FormTexts::isTranslatable(german.at(i).name))
            << where << " is called \"" << german.at(i).name.toStdString() << "\" in German";
        // And it speaks the window's language wherever the language file knows it.
        const QString translated = Lang().GetTranslation(english.at(i).name);
        if (translated != english.at(i).name) {
            EXPECT_EQ(german.at(i).name, translated) << where;
        }
    }
    const auto nameOf = [&](const QList<Named> &names, const QString &where) {
        for (const Named &n : names) {
            if (n.where == where)
                return n.name;
        }
        return QString();
    };
    EXPECT_EQ(nameOf(english, "frmMain/cmdGUT QPushButton"), "Project Gutenberg Downloads");
    EXPECT_EQ(nameOf(english, "frmMain/cmdLoad QPushButton"), "Load a file");
    // The lists by what they choose, not by their entry ("0, combo box").
    EXPECT_EQ(nameOf(english, "frmMain/cmbPitch QComboBox"), "Pitch");
    EXPECT_EQ(nameOf(english, "frmMain/cmbEngine QComboBox"), "Voice");
    EXPECT_EQ(nameOf(german, "frmMain/cmbPitch QComboBox"), QString::fromUtf8("Tonhöhe"));
    EXPECT_EQ(nameOf(german, "frmMain/cmbEngine QComboBox"), "Stimme");
    EXPECT_EQ(nameOf(german, "frmMain/RichTextBox1 RichTextBox"), "Dokument");
    EXPECT_EQ(nameOf(german, "frmMain/cmdRead QPushButton"), "Lesen");
    // The description is the tooltip, shortcut included.
    EXPECT_EQ(control<QPushButton>(*harness.window, "cmdRead")->accessibleDescription(),
              "Ab Cursorposition vorlesen (F6)");
}

// A combo box is heard by the label it is labelled by: Qt on Linux reports its entry as its
// name, so an accessible name alone, or a label that is not its buddy, leaves it unnamed.
TEST(Accessibility, AComboBoxIsNamedByItsLabelOnly)
{
    const struct
    {
        const char *label;
        bool buddy;
        const char *accessibleName;
        const char *spoken;
    } cases[] = {
        { nullptr, false, nullptr, "" },
        { nullptr, false, "Pitch", "" },
        { "Pitch", false, nullptr, "" },
        { "Pitch", true, nullptr, "Pitch" },
        { "&Voice", true, "Something else", "Voice" },
    };
    for (const auto &c : cases) {
        QWidget window;
        auto *box = new QComboBox(&window);
        box->addItems({ "0", "1" });
        if (c.accessibleName)
            box->setAccessibleName(QString::fromLatin1(c.accessibleName));
        if (c.label) {
            auto *label = new QLabel(QString::fromLatin1(c.label), &window);
            if (c.buddy)
                label->setBuddy(box);
        }
        const std::string what = std::string(c.label ? c.label : "no label")
            + (c.buddy ? " (buddy)" : "") + ", name " + (c.accessibleName ? c.accessibleName : "-");
        EXPECT_EQ(ScreenReader::spokenName(box), QString::fromLatin1(c.spoken)) << what;
        // What the platform makes of the box itself, the reason for the rule.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name), "0") << what;
    }
}

// Each spoken sentence reaches a screen reader as the view's selection, and the view's
// accessible text holds that sentence there.
TEST(Accessibility, DocumentViewReportsTheSentenceBeingRead)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    h.showText(QStringLiteral("First sentence here. A second one follows! And the last."));
    QStringList reported;
    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(h.view());
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->textInterface(), nullptr);
    Seam::Override<ScreenReader::ListenerSeam> listener([&](QAccessibleEvent &event) {
        if (event.type() != QAccessible::TextSelectionChanged || event.object() != h.view())
            return;
        const auto &selection = static_cast<QAccessibleTextSelectionEvent &>(event);
        int start = -1;
        int end = -1;
        view->textInterface()->selection(0, &start, &end);
        EXPECT_EQ(start, selection.selectionStart());
        EXPECT_EQ(end, selection.selectionEnd());
        reported << view->textInterface()->text(selection.selectionStart(),
                                                selection.selectionEnd());
    });
    const QList<MainWindowHarness::Spoken> spoken = h.readToTheEnd();
    ASSERT_EQ(spoken.size(), 3);
    QStringList seen;
    for (const auto &s : spoken)
        seen << s.seen;
    EXPECT_EQ(reported, seen);
    EXPECT_EQ(view->text(QAccessible::Name), "Document");
}

// The main window's buttons answer their keys while the document view has the focus, as
// a click would: a disabled button's key does nothing.
TEST(Accessibility, ShortcutsPressTheirButtons)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    frmMain &w = *h.window;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    h.showText(QStringLiteral("Something to read. And more to read."));
    h.view()->setFocus();

    const struct
    {
        const char *button;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int clicks;
    } cases[] = {
        { "cmdRead", Qt::Key_F6, Qt::NoModifier, 1 },
        { "cmdPause", Qt::Key_F7, Qt::NoModifier, 1 },
        { "cmdFaster", Qt::Key_Up, Qt::ControlModifier, 1 },
        { "cmdSlower", Qt::Key_Down, Qt::ControlModifier, 1 },
        { "cmdFontBigger", Qt::Key_Plus, Qt::ControlModifier, 1 },
        { "cmdFontSmaller", Qt::Key_Minus, Qt::ControlModifier, 1 },
        { "cmdStopReading", Qt::Key_Escape, Qt::NoModifier, 1 },
        // Reload waits for a document.
        { "cmdReload", Qt::Key_F5, Qt::NoModifier, 0 },
    };
    for (const auto &c : cases) {
        QSignalSpy clicked(control<QPushButton>(w, c.button), &QPushButton::clicked);
        QTest::keyClick(h.view(), c.key, c.modifiers);
        EXPECT_EQ(clicked.count(), c.clicks) << c.button;
    }
    // Font keys resize the document instead of typing into it.
    EXPECT_EQ(h.view()->Text(), QStringLiteral("Something to read. And more to read."));

    // F10 opens the menu bar, whose menus reach the rest.
    QTest::keyClick(h.view(), Qt::Key_F10);
    EXPECT_EQ(w.menuBar()->activeAction(), control<QMenu>(w, "mnuSettings")->menuAction());
}

} // namespace
