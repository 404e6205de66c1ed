// Keeps the shipped language files in step with the program: every English text a
// window shows and every message passed through GetTranslation must be a key of
// resources/Languages/template.txt, and every shipped language must translate every
// key of the template.
//
// To regenerate the template after a window changed:
//   ORLIN_WRITE_TEMPLATE=resources/Languages/template.txt
//   build/tests/app_tst_TranslationCoverage --gtest_filter=*GenerateTemplate*
// (one command line).
#include "OrlinVersion.h"
#include "base/InstalledFonts.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/TextFileEncoding.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLang.h"
#include "support/MainWindowHarness.h"
#include "support/ProgramWindows.h"
#include "ui/FormTexts.h"
#include "ui/FormTranslator.h"
#include "ui/frmRenderProgress.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QString sourceFolder()
{
    const QString fromEnv = qEnvironmentVariable("ORLIN_SOURCE_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(ORLIN_SOURCE_DIR) : fromEnv;
}

QString shippedFolder()
{
    return sourceFolder() + QStringLiteral("/resources/Languages");
}

// The language-file rules, restated independently of the translator.
QString cleanLine(QString line)
{
    line = line.trimmed();
    line.remove(QLatin1Char('\t'));
    return line.trimmed();
}

struct LanguageFile
{
    QByteArray bytes;
    QString title;
    QList<QPair<QString, QString>> entries;
};

LanguageFile readLanguageFile(const QString &path)
{
    LanguageFile file;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return file;
    file.bytes = f.readAll();
    const QStringList lines = TextFileEncoding::decode(file.bytes).split(QStringLiteral("\r\n"));
    for (const QString &raw : lines) {
        const QString line = cleanLine(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (file.title.isEmpty()) {
            file.title = line;
            continue;
        }
        const qsizetype at = line.indexOf(QStringLiteral("||"));
        if (at >= 0)
            file.entries.append({ line.left(at).trimmed(), line.mid(at + 2).trimmed() });
    }
    return file;
}

// A window text that belongs in the template: version numbers change with every
// release, a text over several lines can never be a key, and a path (the log file's, on
// the error report) is data.
bool belongsInTemplate(const QString &text)
{
    return !text.contains(ProgramInfo::versionText()) && !text.contains(QLatin1Char('\n'))
        && text != QStringLiteral("English") && !text.startsWith(QLatin1Char('/'));
}

// Windows name the program by its executable, which in a test is the test's own.
QString asInTheProgram(QString text)
{
    return text.replace(ProgramInfo::exeName(), QStringLiteral("Orlin"));
}

struct WindowTexts
{
    QString window;
    QStringList texts;
};

void addTexts(QList<WindowTexts> &out, QWidget *window)
{
    WindowTexts w { window->objectName(), {} };
    const QList<FormTexts::Text> texts = FormTexts::collect(window);
    for (const FormTexts::Text &t : texts) {
        const QString text = asInTheProgram(t.value);
        if (belongsInTemplate(text) && !w.texts.contains(text))
            w.texts.append(text);
    }
    out.append(w);
}

// The Read to WAV progress window shows only messages (its counts change as it goes),
// which the message scan covers; every other window has texts of its own.
bool hasWindowTexts(QWidget *window)
{
    return !qobject_cast<frmRenderProgress *>(window);
}

// Every window the program opens, as the user meets it: the main window after its
// start-up without the symbol fonts (so the word captions of the buttons show).
QList<WindowTexts> everyWindowText()
{
    QList<WindowTexts> out;
    {
        Seam::Override<InstalledFonts::FamiliesSeam> noSymbolFonts(QStringList {});
        MainWindowHarness harness;
        // No language files, so that the language menu holds only its English item.
        Lang().OverrideLanguagePath(harness.folder.path());
        EXPECT_TRUE(harness.start());
        addTexts(out, harness.window.get());
    }
    const ProgramWindows windows;
    for (const auto &w : windows.all()) {
        if (hasWindowTexts(w.get()))
            addTexts(out, w.get());
    }
    return out;
}

QString unescape(const QString &literal)
{
    QString out;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        QChar c = literal.at(i);
        if (c == QLatin1Char('\\') && i + 1 < literal.size()) {
            const QChar n = literal.at(++i);
            c = n == QLatin1Char('n') ? QChar('\n') : n == QLatin1Char('t') ? QChar('\t') : n;
        }
        out += c;
    }
    return out;
}

// The program's sources, each with the names that translate a literal argument:
// GetTranslation and the small helpers that only hand their argument to it.
struct SourceFile
{
    QString path;
    QString code;
    QStringList translators;
};

QList<SourceFile> sourceFiles()
{
    static const QRegularExpression wrapperDefinition(QStringLiteral(
        R"re(QString\s+(\w+)\s*\(\s*(?:const\s+char\s*\*|const\s+QString\s*&)\s*\w+\s*\)\s*\{\s*return\s+Lang\(\)\.GetTranslation)re"));
    QList<SourceFile> files;
    QDirIterator it(sourceFolder() + QStringLiteral("/src"), { QStringLiteral("*.cpp") },
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        SourceFile file { f.fileName(),
                          QString::fromUtf8(f.readAll()),
                          { QStringLiteral("GetTranslation") } };
        for (auto m = wrapperDefinition.globalMatch(file.code); m.hasNext();)
            file.translators << m.next().captured(1);
        files.append(file);
    }
    return files;
}

// The English messages of the source: literal arguments of GetTranslation and of the
// small helpers that only hand their argument to it, adjacent literals joined.
QStringList everyMessage()
{
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QStringList messages;
    for (const SourceFile &file : sourceFiles()) {
        const QRegularExpression call(
            QStringLiteral(
                R"re(\b(?:%1)\s*\(\s*(?:QStringLiteral|QLatin1String|QString::fromLatin1|QString::fromUtf8)?\s*\(?\s*((?:"(?:[^"\\]|\\.)*"\s*)+))re")
                .arg(file.translators.join(QLatin1Char('|'))));
        for (auto m = call.globalMatch(file.code); m.hasNext();) {
            QString message;
            for (auto l = literal.globalMatch(m.next().captured(1)); l.hasNext();)
                message += unescape(l.next().captured(1));
            message = message.trimmed();
            if (!message.isEmpty() && !messages.contains(message))
                messages.append(message);
        }
    }
    return messages;
}

// Where a text reaches the user outside any window's designed controls: message boxes, the
// splash's status line and the file dialogs' titles. Each literal sentence handed to one of
// these must come through the translator (GetTranslation or a helper that only calls it).
QStringList untranslatedShownTexts()
{
    static const QRegularExpression sink(
        QStringLiteral(R"re(MessageBoxes::show\s*\(|splashMessage\s*\(|DialogTitle\s*=)re"));
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    // The literal is the first argument of a call, maybe inside QStringLiteral(...), maybe
    // after other adjacent literals.
    static const QRegularExpression wrapped(QStringLiteral(
        R"re(\b(\w+)\s*\(\s*(?:(?:QStringLiteral|QLatin1String|QString::fromLatin1|QString::fromUtf8)\s*\()?\s*(?:"(?:[^"\\]|\\.)*"\s*)*$)re"));
    QStringList found;
    for (const SourceFile &file : sourceFiles()) {
        const QString &code = file.code;
        const QStringList &translators = file.translators;
        for (auto m = sink.globalMatch(code); m.hasNext();) {
            const QRegularExpressionMatch call = m.next();
            // The statement, up to its ";" (a message holds none).
            const qsizetype from = call.capturedEnd();
            const qsizetype to = code.indexOf(QLatin1Char(';'), from);
            const QString statement = code.mid(from, to < 0 ? -1 : to - from);
            for (auto l = literal.globalMatch(statement); l.hasNext();) {
                const QRegularExpressionMatch lit = l.next();
                const QString text = unescape(lit.captured(1)).trimmed();
                // A sentence or a title of several words; names and marks are not.
                const bool words = text.count(QLatin1Char(' ')) >= 2 || text.endsWith('.')
                    || text.endsWith('?') || text.endsWith(':');
                if (!words || !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
                    continue;
                const QRegularExpressionMatch w =
                    wrapped.match(statement.left(lit.capturedStart()));
                if (!w.hasMatch() || !translators.contains(w.captured(1)))
                    found << QFileInfo(file.path).fileName() + QStringLiteral(": ") + text;
            }
        }
    }
    return found;
}

QSet<QString> keysOf(const LanguageFile &file)
{
    QSet<QString> keys;
    for (const auto &entry : file.entries)
        keys.insert(entry.first);
    return keys;
}

TEST(TranslationCoverage, EveryWindowTextIsInTheTemplate)
{
    const QSet<QString> keys = keysOf(readLanguageFile(shippedFolder() + "/template.txt"));
    ASSERT_FALSE(keys.isEmpty()) << "no template.txt in " << shippedFolder().toStdString();
    const QList<WindowTexts> windows = everyWindowText();
    for (const WindowTexts &w : windows) {
        EXPECT_FALSE(w.texts.isEmpty()) << w.window.toStdString();
        for (const QString &text : w.texts)
            EXPECT_TRUE(keys.contains(text.trimmed()))
                << w.window.toStdString() << " shows \"" << text.toStdString()
                << "\", which template.txt lacks: regenerate it (see the top of this file)";
    }
}

TEST(TranslationCoverage, EveryTranslatedMessageIsInTheTemplate)
{
    const QSet<QString> keys = keysOf(readLanguageFile(shippedFolder() + "/template.txt"));
    const QStringList messages = everyMessage();
    EXPECT_TRUE(messages.contains("The pronunciation list could not be saved."));
    for (const QString &message : messages)
        EXPECT_TRUE(keys.contains(message))
            << "\"" << message.toStdString() << "\" passes through GetTranslation but "
            << "template.txt lacks it";
}

TEST(TranslationCoverage, TextsShownOutsideWindowsPassThroughTheTranslator)
{
    EXPECT_EQ(untranslatedShownTexts(), QStringList());
}

TEST(TranslationCoverage, ShippedLanguagesTranslateEveryTemplateKey)
{
    const LanguageFile templ = readLanguageFile(shippedFolder() + "/template.txt");
    const QSet<QString> templateKeys = keysOf(templ);
    const QStringList expectedTitles { QStringLiteral("Deutsch"), QString::fromUtf8("Español"),
                                       QString::fromUtf8("Français") };
    QStringList titles;
    const QStringList names = QDir(shippedFolder()).entryList({ "*.txt" }, QDir::Files);
    for (const QString &name : names) {
        if (name.compare("template.txt", Qt::CaseInsensitive) == 0)
            continue;
        const LanguageFile file = readLanguageFile(shippedFolder() + "/" + name);
        const std::string where = name.toStdString();
        titles << file.title;
        // Our own files: UTF-8, CR LF and no byte-order mark (Windows-1252 copies of older
        // installations still load, but we ship none).
        EXPECT_EQ(file.bytes.count('\n'), file.bytes.count("\r\n")) << where;
        EXPECT_FALSE(file.bytes.startsWith("\xef\xbb\xbf")) << where << ": no byte-order mark";
        EXPECT_FALSE(TextFileEncoding::isLegacy(file.bytes)) << where << ": not UTF-8";

        const QSet<QString> keys = keysOf(file);
        for (const QString &key : templateKeys)
            EXPECT_TRUE(keys.contains(key)) << where << " lacks \"" << key.toStdString() << "\"";
        for (const QString &key : keys)
            EXPECT_TRUE(templateKeys.contains(key))
                << where << " has \"" << key.toStdString() << "\", which template.txt lacks";

        // Going back to English inverts the table, so two texts must not share a
        // translation, and none may be blank.
        QHash<QString, QString> englishOf;
        for (const auto &[english, translated] : file.entries) {
            EXPECT_FALSE(translated.isEmpty()) << where << ": \"" << english.toStdString() << "\"";
            const auto seen = englishOf.constFind(translated);
            EXPECT_TRUE(seen == englishOf.cend() || *seen == english)
                << where << ": \"" << english.toStdString() << "\" and \"" << seen->toStdString()
                << "\" are both \"" << translated.toStdString() << "\"";
            englishOf.insert(translated, english);
        }
    }
    titles.sort();
    EXPECT_EQ(titles, expectedTitles);
}

QStringList shownTexts(QWidget *window)
{
    QStringList texts;
    const QList<FormTexts::Text> all = FormTexts::collect(window);
    for (const FormTexts::Text &t : all)
        texts << t.value;
    return texts;
}

// The shipped files on the real main window: every language switch goes through
// English, and English brings every text back.
TEST(TranslationCoverage, MainWindowSwitchesBetweenShippedLanguages)
{
    std::optional<Seam::Override<InstalledFonts::FamiliesSeam>> noSymbolFonts;
    noSymbolFonts.emplace(QStringList {});
    MainWindowHarness harness;
    QDir().mkpath(harness.folder.file("Languages"));
    const QStringList names = QDir(shippedFolder()).entryList({ "*.txt" }, QDir::Files);
    for (const QString &name : names)
        QFile::copy(shippedFolder() + "/" + name, harness.folder.file("Languages/" + name));
    ASSERT_TRUE(harness.start());
    noSymbolFonts.reset();
    frmMain &w = *harness.window;
    ASSERT_EQ(languageItems(w).size(), 4);
    EXPECT_EQ(languageItems(w).at(1)->text(), "Deutsch");
    const QStringList english = shownTexts(&w);

    w.mnuLanguage_Click(1);
    EXPECT_EQ(control<QPushButton>(w, "cmdRead")->toolTip(), "Ab Cursorposition vorlesen (F6)");
    EXPECT_EQ(control<QMenu>(w, "mnuSettings")->title(), "Einstellungen");
    EXPECT_EQ(Settings().sGet("LangID").toString(), "Deutsch");

    w.mnuLanguage_Click(2);
    EXPECT_EQ(control<QPushButton>(w, "cmdRead")->toolTip(),
              QString::fromUtf8("Leer desde la posición del cursor (F6)"));
    EXPECT_EQ(languageItems(w).at(0)->text(), "English");
    EXPECT_EQ(Settings().sGet("LangID").toString(), QString::fromUtf8("Español"));

    w.mnuLanguage_Click(3);
    EXPECT_EQ(control<QPushButton>(w, "cmdQuit")->toolTip(), "Quitter (Ctrl+Q)");
    w.mnuLanguage_Click(0);
    EXPECT_EQ(shownTexts(&w), english);
    EXPECT_EQ(Settings().sGet("LangID").toString(), "English");
}

// Not a check: writes the template when ORLIN_WRITE_TEMPLATE names the file to write.
TEST(TranslationCoverage, GenerateTemplate)
{
    const QString target = qEnvironmentVariable("ORLIN_WRITE_TEMPLATE");
    if (target.isEmpty())
        GTEST_SKIP() << "set ORLIN_WRITE_TEMPLATE to write the template";

    // The windows' lines come from the translator's own template writer.
    std::optional<Seam::Override<InstalledFonts::FamiliesSeam>> noSymbolFonts;
    noSymbolFonts.emplace(QStringList {});
    MainWindowHarness harness;
    const QString formsText = harness.folder.file("FormsText.txt");
    Lang().OverrideLanguagePath(harness.folder.path());
    ASSERT_TRUE(harness.start());
    noSymbolFonts.reset();
    const ProgramWindows windows;
    QList<QWidget *> every { harness.window.get() };
    for (const auto &w : windows.all()) {
        if (hasWindowTexts(w.get()))
            every.append(w.get());
    }
    QStringList lines {
        "# Orlin language template: every English text of the program's windows and",
        "# messages. To translate Orlin, copy this file to a new name ending in .txt,",
        "# replace the title below by the language's own name, and replace the text",
        "# right of each \"||\" by its translation. Lines starting with # are comments;",
        "# tabs may align the columns. Save as UTF-8 text (Windows-1252 still loads).",
        "",
        "English",
    };
    QSet<QString> written;
    for (QWidget *w : std::as_const(every)) {
        QFile::remove(formsText);
        FormTranslator::WriteStrings(w, formsText);
        QFile f(formsText);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        lines << QString() << "# " + w->objectName();
        const QStringList raw =
            TextFileEncoding::decode(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        for (const QString &rawLine : raw) {
            const QString line = asInTheProgram(rawLine);
            const QString key = line.left(line.indexOf("||"));
            if (belongsInTemplate(key) && !written.contains(key)) {
                written.insert(key);
                lines << line;
            }
        }
    }
    lines << QString() << "# Messages";
    for (const QString &message : everyMessage()) {
        if (!written.contains(message)) {
            written.insert(message);
            lines << message + "||" + message;
        }
    }
    QFile out(target);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(TextFileEncoding::encode(QString(lines.join("\r\n") + "\r\n")));
}

} // namespace
