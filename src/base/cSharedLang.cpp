#include "base/cSharedLang.h"

#include "OrlinVersion.h"
#include "base/Failure.h"
#include "base/InstalledFonts.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLogging.h"
#include "base/cSharedText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>

#ifndef ORLIN_INSTALLED_LANGUAGE_PATH
#define ORLIN_INSTALLED_LANGUAGE_PATH "/usr/local/share/orlin"
#endif

namespace {

const QString kModule = QStringLiteral("mLang");
const QString kEnglish = QStringLiteral("English");
const QString kBreak = QStringLiteral("||");

struct Entry
{
    QString key;
    QString translation;
};

// A line of a language file as the format sees it: blanks trimmed, tabs (which only
// align columns) deleted, and trimmed again so that blanks a tab hid do not count.
QString cleanLine(const QString &line)
{
    QString s = cSharedText::TrimBlanks(line);
    s.remove(QLatin1Char('\t'));
    return cSharedText::TrimBlanks(s);
}

bool isCommentOrEmpty(const QString &clean)
{
    return clean.isEmpty() || clean.startsWith(QLatin1Char('#'));
}

QString BeforeBreak(const QString &entry)
{
    const qsizetype at = entry.indexOf(kBreak);
    return at < 0 ? QString() : cSharedText::TrimBlanks(entry.left(at));
}

QString AfterBreak(const QString &entry)
{
    const qsizetype at = entry.indexOf(kBreak);
    return at < 0 ? QString() : cSharedText::TrimBlanks(entry.mid(at + kBreak.size()));
}

QStringList readLines(const QString &path)
{
    QStringList lines = cSharedFileSubs::ReadWholeFile(path).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

void sortTable(QList<Entry> &table)
{
    // Ordinal order, equal keys in file order: what the halving search relies on.
    std::stable_sort(table.begin(), table.end(),
                     [](const Entry &a, const Entry &b) { return a.key < b.key; });
}

// The first and last keys are compared loosely (blanks and case ignored), the rest
// by an exact halving search, so a key that differs only in case is found only at
// either end of the table. Language files have always behaved so; keep it.
qsizetype FindTranslation(const std::optional<QList<Entry>> &table, const QString &key)
{
    if (!table || table->isEmpty())
        return -1;
    const QList<Entry> &t = *table;
    if (cSharedText::StringsEqual(t.first().key, key))
        return 0;
    if (cSharedText::StringsEqual(t.last().key, key))
        return t.size() - 1;
    qsizetype lo = 0;
    qsizetype hi = t.size() - 1;
    while (lo <= hi) {
        const qsizetype mid = (lo + hi) / 2;
        const QString &k = t.at(mid).key;
        if (k == key)
            return mid;
        if (k < key)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

QString removeSlashFromEnd(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

} // namespace

struct cSharedLang::Data
{
    bool initialised = false;
    QString languagePath;
    QStringList files;
    QStringList titles;
    std::optional<QList<Entry>> table;
    QString current;
    QStringList presentFonts;

    void EnsureInitialised()
    {
        if (initialised)
            return;
        initialised = true;
        // A portable install carries its languages in the program folder; an installed
        // program finds them beside the executable or in the shared data folder: its own
        // prefix's (bin/../share/orlin, wherever the prefix was put), else the configured one.
        QStringList candidates { ProgramInfo::programFolder() };
        if (QCoreApplication::instance()) {
            const QString exeDir = QCoreApplication::applicationDirPath();
            candidates << exeDir << QDir(exeDir).filePath(QStringLiteral("../share/orlin"));
        }
        candidates << QStringLiteral(ORLIN_INSTALLED_LANGUAGE_PATH);
        languagePath = QDir::cleanPath(candidates.first());
        for (const QString &candidate : std::as_const(candidates)) {
            if (QFileInfo(cSharedLang::LanguagesFolder(candidate)).isDir()) {
                languagePath = QDir::cleanPath(candidate);
                return;
            }
        }
    }

    // Language names show in their own language in every language, and the language
    // menu stores its caption as the user's choice: they are never translated.
    bool isLanguageName(const QString &text) const
    {
        return text == kEnglish || titles.contains(text);
    }

    QString languagesFolder() const { return cSharedLang::LanguagesFolder(languagePath); }

    QString titleAt(int index) const
    {
        if (index < 1 || index > titles.size())
            throw Failure(FailureCode::InvalidCall,
                          QStringLiteral("No language number %1").arg(index));
        return titles.at(index - 1);
    }

    // Reads language file `index` into a fresh table, whatever language is current.
    void loadFile(int index)
    {
        if (index < 1 || index > files.size())
            throw Failure(FailureCode::InvalidCall,
                          QStringLiteral("No language number %1").arg(index));
        // The old table no longer describes what is shown once it is replaced, so an
        // unreadable file leaves no language current rather than a stale one.
        table = QList<Entry>();
        current.clear();
        const QStringList lines = readLines(QDir(languagesFolder()).filePath(files.at(index - 1)));
        bool titleSeen = false;
        for (const QString &raw : lines) {
            const QString line = cleanLine(raw);
            if (isCommentOrEmpty(line))
                continue;
            if (!titleSeen) {
                current = line;
                titleSeen = true;
                continue;
            }
            table->append(Entry { BeforeBreak(line), AfterBreak(line) });
        }
        sortTable(*table);
    }
};

cSharedLang::cSharedLang()
    : d(new Data)
{
}

cSharedLang::~cSharedLang()
{
    delete d;
}

QString cSharedLang::LanguagesFolder(const QString &languagePath)
{
    const QDir base(languagePath);
    const QString exact = base.filePath(QStringLiteral("Languages"));
    if (QFileInfo(exact).isDir())
        return exact;
    // The folder may be spelled in any case on a file system that tells cases apart.
    const QStringList dirs = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : dirs) {
        if (name.compare(QLatin1String("languages"), Qt::CaseInsensitive) == 0)
            return base.filePath(name);
    }
    return exact;
}

QString cSharedLang::LanguagePath()
{
    d->EnsureInitialised();
    return d->languagePath;
}

QString cSharedLang::CurrentLanguage()
{
    d->EnsureInitialised();
    return d->current;
}

void cSharedLang::LoadAllLanguages()
{
    d->EnsureInitialised();
    Trace::attempt(QStringLiteral("LoadAllLanguages"), kModule, [&] {
        d->files.clear();
        d->titles.clear();
        const QDir folder(d->languagesFolder());
        if (!folder.exists())
            return;
        const QStringList names =
            folder.entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
        for (const QString &name : names) {
            if (!name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
                continue;
            if (cSharedText::StringsEqual(name, QStringLiteral("template.txt")))
                continue;
            d->files.append(name);
        }
        for (int i = 0; i < d->files.size(); ++i) {
            QString title;
            // One unreadable file must not shift the titles against the file names.
            Trace::attempt(QStringLiteral("LoadAllLanguages"), kModule, [&] {
                const QStringList lines = readLines(folder.filePath(d->files.at(i)));
                for (const QString &raw : lines) {
                    const QString line = cleanLine(raw);
                    if (!isCommentOrEmpty(line)) {
                        title = line;
                        break;
                    }
                }
            });
            d->titles.append(title.isEmpty() ? QStringLiteral("Language %1").arg(i + 1) : title);
        }
#if ORLIN_DEVELOPER_BUILD
        if (!d->titles.isEmpty()) {
            QStringList sorted = d->titles;
            sorted.sort();
            cSharedFileSubs::ReplaceTextFile(folder.filePath(QStringLiteral("Languages.lst")),
                                             sorted.join(QLatin1String("\r\n"))
                                                 + QLatin1String("\r\n"));
        }
#endif
    });
}

short cSharedLang::LanguageCount()
{
    d->EnsureInitialised();
    return short(d->titles.size());
}

QString cSharedLang::LanguageTitle(short LanguageIndex)
{
    d->EnsureInitialised();
    QString title;
    Trace::attempt(QStringLiteral("LanguageTitle"), kModule,
                   [&] { title = d->titleAt(LanguageIndex); });
    return title;
}

QLocale cSharedLang::LanguageLocale(short LanguageIndex)
{
    d->EnsureInitialised();
    if (LanguageIndex < 1 || LanguageIndex > d->files.size())
        return QLocale(QLocale::English);
    // A file named after its language ("de.txt", "pt_BR.txt") says it; otherwise the title
    // may be the language's own name ("Deutsch", "Español").
    const QString stem = QFileInfo(d->files.at(LanguageIndex - 1)).completeBaseName();
    const QLocale byName(stem);
    if (byName.language() != QLocale::C && stem.size() <= 6)
        return byName;
    const QString title = d->titleAt(LanguageIndex);
    const QList<QLocale> all =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    for (const QLocale &locale : all) {
        if (locale.nativeLanguageName().compare(title, Qt::CaseInsensitive) == 0)
            return locale;
    }
    return QLocale(QLocale::English);
}

void cSharedLang::LoadLanguage(short LanguageNum)
{
    d->EnsureInitialised();
    Trace::attempt(QStringLiteral("LoadLanguage"), kModule, [&] {
        if (d->current == kEnglish && LanguageNum == 0)
            return;
        if (LanguageNum < 1) {
            RevertToEnglish();
            return;
        }
        if (d->titleAt(LanguageNum) == d->current)
            return;
        d->loadFile(LanguageNum);
    });
}

void cSharedLang::RevertToEnglish()
{
    d->EnsureInitialised();
    Trace::attempt(QStringLiteral("RevertToEnglish"), kModule, [&] {
        if (d->current == kEnglish)
            return;
        d->current = kEnglish;
        if (!d->table)
            return;
        QList<Entry> inverted;
        inverted.reserve(d->table->size());
        for (const Entry &e : std::as_const(*d->table)) {
            // A text the language blanked out cannot be told apart from every other
            // empty text; mapping "" back would fill empty tool tips with it.
            if (!e.translation.isEmpty())
                inverted.append(Entry { e.translation, e.key });
        }
        sortTable(inverted);
        d->table = std::move(inverted);
    });
}

QString cSharedLang::GetTranslation(const QString &aWord)
{
    d->EnsureInitialised();
    QString result;
    const bool ok = Trace::attempt(QStringLiteral("GetTranslation"), kModule, [&] {
        // Keys cannot carry blanks at their ends (the file format trims them), so a
        // message piece such as " for more information." is looked up without them
        // and keeps them around its translation, also where the loose comparison of
        // the table's first and last keys would have matched it with them.
        const QString core = cSharedText::TrimBlanks(aWord);
        const bool padded = !core.isEmpty() && core.size() != aWord.size();
        const qsizetype at = FindTranslation(d->table, padded ? core : aWord);
        if (at >= 0 && padded) {
            const qsizetype lead = aWord.indexOf(core);
            result =
                aWord.left(lead) + d->table->at(at).translation + aWord.mid(lead + core.size());
            return;
        }
        if (at >= 0) {
            result = d->table->at(at).translation;
            return;
        }
        result = aWord;
    });
    return ok ? result : QString();
}

bool cSharedLang::FontIsPresent(const QString &name)
{
    d->EnsureInitialised();
    for (const QString &known : std::as_const(d->presentFonts)) {
        if (cSharedText::StringsEqual(known, name))
            return true;
    }
    // The same list the main window's symbol-font check reads, so that a test which
    // pretends a font is missing or present does so for both.
    const QStringList installed = InstalledFonts::families();
    for (const QString &family : installed) {
        if (cSharedText::StringsEqual(family, name)) {
            d->presentFonts.append(name);
            return true;
        }
    }
    return false;
}

QStringList cSharedLang::LanguageTitles()
{
    d->EnsureInitialised();
    return d->titles;
}

bool cSharedLang::IsLanguageName(const QString &text)
{
    d->EnsureInitialised();
    return d->isLanguageName(text);
}

QString cSharedLang::FormsTextFile()
{
    d->EnsureInitialised();
    return QDir(d->languagePath).filePath(QStringLiteral("FormsText.txt"));
}

void cSharedLang::OverrideLanguagePath(const QString &NewPath)
{
    d->EnsureInitialised();
    Trace::attempt(QStringLiteral("OverrideLanguagePath"), kModule, [&] {
        if (!NewPath.trimmed().isEmpty() && QFileInfo(NewPath).isDir())
            d->languagePath = removeSlashFromEnd(NewPath);
    });
}

void cSharedLang::UpdateTemplates(const QString &LanguagePath)
{
    d->EnsureInitialised();
    OverrideLanguagePath(LanguagePath);
    LoadAllLanguages();
    Trace::attempt(QStringLiteral("UpdateTemplates"), kModule, [&] {
        QString templatePath;
        const QDir folder(LanguagesFolder(LanguagePath));
        const QStringList names = folder.entryList(QDir::Files);
        for (const QString &name : names) {
            if (cSharedText::StringsEqual(name, QStringLiteral("template.txt")))
                templatePath = folder.filePath(name);
        }
        if (templatePath.isEmpty())
            throw Failure(FailureCode::FileNotFound,
                          QStringLiteral("No Template.txt in %1").arg(folder.path()));
        const QStringList templateLines = readLines(templatePath);
        for (int c = 1; c <= d->files.size(); ++c) {
            Trace::attempt(QStringLiteral("UpdateTemplates"), kModule, [&] {
                d->loadFile(c);
                QString missing;
                QStringList added;
                for (const QString &raw : templateLines) {
                    const QString line = cleanLine(raw);
                    if (!line.contains(kBreak) || line.startsWith(QLatin1Char('#')))
                        continue;
                    const QString key = BeforeBreak(line);
                    if (FindTranslation(d->table, key) >= 0 || added.contains(key))
                        continue;
                    added.append(key);
                    missing += key + kBreak + key + QLatin1String("\r\n");
                }
                if (missing.isEmpty())
                    return;
                const QString path = folder.filePath(d->files.at(c - 1));
                QFile existing(path);
                if (existing.open(QIODevice::ReadOnly) && existing.size() > 0) {
                    existing.seek(existing.size() - 1);
                    if (existing.read(1) != "\n")
                        missing.prepend(QLatin1String("\r\n"));
                }
                cSharedFileSubs::AppendText(path, missing);
            });
        }
    });
}

cSharedLang &cSharedLang::instance()
{
    if (cSharedLang *lang = Seam::current<InstanceSeam>())
        return *lang;
    static auto *standIn = new cSharedLang;
    return *standIn;
}
