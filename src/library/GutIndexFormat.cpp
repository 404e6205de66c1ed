#include "library/GutIndexFormat.h"

#include "base/CodePage.h"
#include "base/TextFileEncoding.h"

#include <QRegularExpression>

#include <algorithm>

namespace GutIndexFormat {

namespace {

// Lines end in LF or CR LF; the file's own line ends do not matter.
template<class Fn> void forEachLine(QStringView text, Fn &&fn)
{
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = size;
        QStringView line = text.sliced(start, end - start);
        if (line.endsWith(u'\r'))
            line.chop(1);
        fn(line);
        start = end + 1;
    }
}

bool allDigits(QStringView s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); })
        && std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 128; });
}

// A folder or file name from a catalogue that becomes part of an address and of a
// local file name: nothing that climbs out of a folder, no second separator, and no
// comma, which ends the path in an index line.
bool safeNamePart(QStringView s)
{
    if (s.contains(u'\\') || s.contains(u',') || s.startsWith(u'/'))
        return false;
    for (QStringView part : s.split(u'/')) {
        if (part == u"..")
            return false;
    }
    return std::none_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 32; });
}

// A display text on one line of the index: a stray CR or other control character in
// the source (old Mac line ends, a damaged file) becomes a blank.
QString oneLine(QStringView s)
{
    QString out = s.toString();
    for (QChar &c : out) {
        if (c.unicode() < 32 || c.unicode() == 127)
            c = u' ';
    }
    return out;
}

QStringView beforeBracket(QStringView s)
{
    const qsizetype bracket = s.indexOf(u'[');
    return (bracket >= 0 ? s.left(bracket) : s).trimmed();
}

qsizetype bracketBalance(QStringView s)
{
    return s.count(u'[') - s.count(u']');
}

// One catalogue entry while its lines are read: the first line decides whether it
// goes into the index, indented lines after it may continue its title.
struct Entry
{
    bool open = false;
    bool keep = false;
    bool sawAttribute = false;
    QString path;
    QString text;
};

// The old listings named a book by a bracketed code such as [tmsawxxx.xxx], under
// the folder of its year: "Dec 1993 Title, by Author [tmsawxxx.xxx]" gives
// /etext93/tmsaw10.txt.
bool oldStyleEntry(QStringView line, Entry &entry)
{
    if (!line.contains(u"xx.x", Qt::CaseInsensitive)
        || line.contains(u"Audio:", Qt::CaseInsensitive))
        return false;
    const qsizetype p = line.indexOf(u"xx.x", 0, Qt::CaseInsensitive);
    const qsizetype open = line.lastIndexOf(u'[', p);
    const qsizetype close = line.indexOf(u']', p);
    if (open < 0 || close < 0)
        return false;
    QString code = line.sliced(open + 1, close - open - 1).toString();
    code.remove(u'x');
    code.replace(u'.', QStringLiteral("10.txt"));
    static const QRegularExpression codeChars(QStringLiteral("^[A-Za-z0-9_-]+10\\.txt$"));
    if (!codeChars.match(code).hasMatch())
        return false;
    QStringView rest = line.size() > 3 ? line.sliced(3).trimmed() : QStringView();
    const QStringView year = rest.size() >= 4 ? rest.sliced(2, 2) : QStringView();
    if (!allDigits(year))
        return false;
    rest = beforeBracket(rest);
    rest = rest.size() > 4 ? rest.sliced(4).trimmed() : QStringView();
    if (rest.isEmpty())
        return false;
    entry.path = QStringLiteral("/etext") + year.toString() + u'/' + code;
    entry.text = oneLine(rest);
    return true;
}

void numberedOrOldStyle(QStringView line, const QStringList &sortedFiles, Entry &entry)
{
    const qsizetype blank = line.lastIndexOf(u' ');
    if (blank < 0)
        return;
    QStringView num = line.sliced(blank + 1).trimmed();
    // "58207C": the C marks a book still under copyright; its files are there all the same.
    if (num.endsWith(u'C'))
        num.chop(1);
    if (allDigits(num)) {
        const int idx = FindBookFile(sortedFiles, num.toString());
        if (idx >= 0) {
            // A bracket inside the title ("The Cambrian Tourist [1828], by Anonymous") is
            // part of it: only a line that starts with "[" is an attribute.
            const QStringView text = line.left(blank).trimmed();
            if (!text.isEmpty()) {
                entry.keep = true;
                entry.path = sortedFiles.at(idx);
                entry.text = oneLine(text);
            }
            return;
        }
    }
    entry.keep = oldStyleEntry(line, entry);
}

} // namespace

QStringList filesFromListing(QStringView listing, const ProgressFn &progress)
{
    QStringList files;
    bool inFolder = false;
    bool stopped = false;
    qint64 lineNo = 0;
    QString folder;
    forEachLine(listing, [&](QStringView raw) {
        if (stopped)
            return;
        if (++lineNo % 4096 == 0 && progress && !progress(-1, -1)) {
            stopped = true;
            return;
        }
        const QStringView line = raw.trimmed();
        if (!inFolder) {
            // "./1/2/3/4/12345:" opens the folder /1/2/3/4/12345, ".:" the top one. A folder
            // that would climb out of the tree or end an index path early opens nothing.
            if (line.size() >= 2 && line.startsWith(u'.') && line.indexOf(u':') == line.size() - 1
                && (line.size() == 2 || line.startsWith(u"./"))) {
                const QStringView name = line.sliced(1, line.size() - 2);
                if (name.isEmpty() || safeNamePart(name.sliced(1))) {
                    folder = name.toString();
                    inFolder = true;
                }
            }
            return;
        }
        if (line.isEmpty()) {
            inFolder = false;
            return;
        }
        const qsizetype dot = line.lastIndexOf(u'.');
        if (dot < 0 || !safeNamePart(line))
            return;
        const QStringView ext = line.sliced(dot + 1);
        for (const char16_t *wanted : { u"txt", u"htm", u"html", u"zip" }) {
            if (ext.compare(QStringView(wanted), Qt::CaseInsensitive) == 0) {
                files.append(folder + u'/' + line.toString());
                break;
            }
        }
    });
    if (stopped)
        return {};
    SortArray(files);
    return files;
}

QString decodeLines(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    if (TextFileEncoding::isValidUtf8(data, bytes.size()))
        return QString::fromUtf8(bytes);
    // Runs of good lines are decoded at once; each line that is no UTF-8 on its own.
    QString text;
    text.reserve(bytes.size());
    qsizetype run = 0;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? size : end + 1;
        if (!TextFileEncoding::isValidUtf8(data + start, end - start)) {
            text += QString::fromUtf8(data + run, start - run);
            text += CodePage::toUnicode(data + start, end - start);
            run = end;
        }
        start = end;
    }
    text += QString::fromUtf8(data + run, size - run);
    return text;
}

namespace {

bool hasLine(QByteArrayView head, const std::function<bool(QByteArrayView)> &wanted)
{
    qsizetype start = 0;
    while (start < head.size()) {
        qsizetype end = head.indexOf('\n', start);
        if (end < 0)
            end = head.size();
        if (wanted(head.sliced(start, end - start).trimmed()))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

bool looksLikeListing(QByteArrayView head)
{
    return hasLine(head, [](QByteArrayView line) {
        return line.size() >= 3 && line.startsWith("./") && line.endsWith(":");
    });
}

bool looksLikeGutindex(QByteArrayView head)
{
    const QByteArray upper = head.toByteArray().toUpper();
    return upper.contains("<==START GUTINDEX.ALL LISTINGS==>")
        || upper.contains("<===LISTINGS===>");
}

bool looksLikeAustralian(QByteArrayView head)
{
    return hasLine(head, [](QByteArrayView line) { return line.count(',') >= 3; });
}

QStringList indexFromGutindex(QStringView gutindex, const QStringList &sortedFiles,
                              const ProgressFn &progress)
{
    QStringList out;
    const qint64 total = gutindex.count(u'\n') + (gutindex.endsWith(u'\n') ? 0 : 1);
    qint64 lineNo = 0;
    bool stopped = false;
    bool inListings = false;
    qsizetype bracketDepth = 0;
    Entry entry;
    const auto flush = [&] {
        if (entry.keep)
            out.append(entry.path + QStringLiteral(", ") + entry.text);
        entry = Entry();
    };
    forEachLine(gutindex, [&](QStringView raw) {
        if (stopped)
            return;
        if (++lineNo % 50 == 0 && progress && !progress(lineNo, total)) {
            stopped = true;
            return;
        }
        if (!inListings) {
            inListings = raw.contains(u"<==Start GUTINDEX.ALL listings==>", Qt::CaseInsensitive)
                || raw.contains(u"<===LISTINGS===>", Qt::CaseInsensitive);
            return;
        }
        const QStringView line = raw.trimmed();
        if (line.isEmpty()) {
            flush();
            bracketDepth = 0;
            return;
        }
        // Attribute lines and their own continuations belong to no display text.
        if (bracketDepth > 0) {
            bracketDepth = std::max<qsizetype>(0, bracketDepth + bracketBalance(line));
            return;
        }
        if (line.front() == u'[') {
            entry.sawAttribute = true;
            bracketDepth = std::max<qsizetype>(0, bracketBalance(line));
            return;
        }
        // An indented line right under an entry continues its title and author; an
        // indented line after a blank one starts an entry of its own.
        if (entry.open && raw.front().isSpace()) {
            if (entry.keep && !entry.sawAttribute) {
                entry.text += u' ';
                entry.text += oneLine(line);
            }
            return;
        }
        flush();
        entry.open = true;
        numberedOrOldStyle(line, sortedFiles, entry);
    });
    flush();
    if (progress && !stopped)
        progress(total, total);
    return out;
}

QStringList indexFromAustralian(QStringView catalogue)
{
    const qsizetype pre = catalogue.indexOf(u"<pre>", 0, Qt::CaseInsensitive);
    if (pre >= 0) {
        catalogue = catalogue.sliced(pre + 5);
        const qsizetype end = catalogue.lastIndexOf(u"</pre>", -1, Qt::CaseInsensitive);
        if (end >= 0)
            catalogue = catalogue.left(end);
    }
    QStringList out;
    forEachLine(catalogue, [&](QStringView line) {
        // Folder, name and type, each plain or in double quotes, then the text.
        QString fields[3];
        qsizetype at = 0;
        for (QString &field : fields) {
            while (at < line.size() && line[at] == u' ')
                ++at;
            if (at < line.size() && line[at] == u'"') {
                const qsizetype close = line.indexOf(u'"', at + 1);
                const qsizetype stop = close < 0 ? line.size() : close;
                field = line.sliced(at + 1, stop - at - 1).toString();
                at = stop + 1;
                const qsizetype comma = line.indexOf(u',', std::min(at, line.size()));
                at = comma < 0 ? line.size() : comma + 1;
            } else {
                const qsizetype comma = line.indexOf(u',', at);
                const qsizetype stop = comma < 0 ? line.size() : comma;
                field = line.sliced(at, stop - at).trimmed().toString();
                at = comma < 0 ? line.size() : comma + 1;
            }
        }
        const QString &folder = fields[0];
        QString name = fields[1];
        const QStringView text = line.sliced(std::min(at, line.size())).trimmed();
        QString path;
        if (fields[2].compare(QLatin1String("html"), Qt::CaseInsensitive) == 0) {
            if (!name.endsWith(u'h'))
                name += u'h';
            path = u'/' + folder + u'/' + name + QStringLiteral(".html");
        } else if (!name.isEmpty()) {
            path = u'/' + folder + u'/' + name + QStringLiteral(".txt");
        }
        if (name.isEmpty() || folder.isEmpty() || !safeNamePart(folder) || !safeNamePart(name))
            return;
        out.append(path + QStringLiteral(", *PG-OZ* ") + oneLine(text));
    });
    return out;
}

QString BuildPathPlusFile(const QString &num)
{
    if (!allDigits(num))
        return num;
    QString path;
    path.reserve(num.size() * 3 + 8);
    if (num.size() == 1)
        path += QStringLiteral("/0");
    for (qsizetype i = 0; i + 1 < num.size(); ++i) {
        path += u'/';
        path += num.at(i);
    }
    path += u'/' + num + u'/' + num + QStringLiteral(".txt");
    return path;
}

void SortArray(QStringList &files)
{
    if (!std::is_sorted(files.cbegin(), files.cend()))
        std::sort(files.begin(), files.end());
}

int FindInSortedList(const QStringList &files, int lastIndex, const QString &value)
{
    lastIndex = std::min<int>(lastIndex, int(files.size()) - 1);
    if (lastIndex < 0)
        return -1;
    const auto end = files.cbegin() + lastIndex + 1;
    const auto it = std::lower_bound(files.cbegin(), end, value);
    return it != end && *it == value ? int(it - files.cbegin()) : -1;
}

int FindBookFile(const QStringList &sortedFiles, const QString &num)
{
    const QString plain = BuildPathPlusFile(num);
    const QString stem = plain.chopped(4);
    const int last = int(sortedFiles.size()) - 1;
    for (const QString &path :
         { stem + QStringLiteral("-0.txt"), stem + QStringLiteral("-8.txt"), plain }) {
        const int idx = FindInSortedList(sortedFiles, last, path);
        if (idx >= 0)
            return idx;
    }
    return -1;
}

} // namespace GutIndexFormat
