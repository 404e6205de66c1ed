#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <set>

// Full-size inputs in the formats of today's Project Gutenberg files, made up but
// shaped like the real ones: a GUTINDEX.ALL with its introduction, the listings
// marker, year banners, entries whose number is right-aligned to column 78, titles
// that run over indented lines, bracketed attributes (some over two lines) and
// names in several languages; and an ls-R of the mirror tree, one folder a book.
namespace GutenbergFiles {

inline QString title(int n)
{
    static const char *const first[] = { "The",   "A",     "Tales of", "History of", "Letters from",
                                         "Onnen", "Éhség", "Az angol", "Rågens",     "Voyage au" };
    static const char *const second[] = { "Sea",   "Mountain", "Garden", "Empire", "Winter",
                                          "arkku", "kertje",   "rike",   "Sahara", "Moon" };
    static const char *const authors[] = { "Mark Twain",  "Ilmari Jäämaa",    "Dezső Szomory",
                                           "Jarl Hemmer", "Susan E. Wallace", "Jules Verne",
                                           "Knut Hamsun", "Géza Voinovich" };
    return QString::fromUtf8("%1 %2 %3, Vol. %4, by %5")
        .arg(QString::fromUtf8(first[n % 10]), QString::fromUtf8(second[(n / 10) % 10]))
        .arg(n % 977)
        .arg(n % 7 + 1)
        .arg(QString::fromUtf8(authors[(n / 100) % 8]));
}

inline QByteArray gutindex(int entries)
{
    QByteArray out = "\nThis is the file GUTINDEX.ALL\n\nUpdated to January 2, 2024\n\n";
    for (int i = 0; i < 200; ++i)
        out += "GUTINDEX.2020 is a plain text listing of eBooks posted to the Project\n";
    out += "\n                               <===LISTINGS===>\n\n";
    for (int n = entries; n >= 1; --n) {
        if (n % 2500 == 0)
            out += "\n=====\n\n                                GUTINDEX.2023\n\n~ ~ ~ ~ Posting "
                   "Dates ~ ~ ~ ~\n\n"
                   "TITLE and AUTHOR                                                     EBOOK "
                   "NO.\n\n";
        QByteArray line = title(n).toUtf8();
        QByteArray more;
        if (n % 4 == 0) { // the author on the next line
            const qsizetype by = line.lastIndexOf(", by ");
            more = "  " + line.mid(by + 2) + '\n';
            line = line.left(by + 1);
        }
        const QByteArray number = QByteArray::number(n) + (n % 97 == 0 ? "C" : "");
        const qsizetype pad = 78 - QString::fromUtf8(line).size() - number.size();
        out += line + QByteArray(std::max<qsizetype>(1, pad), ' ') + number + '\n' + more;
        if (n % 3 == 0)
            out += " [Language: Finnish]\n";
        if (n % 5 == 0)
            out += " [Subtitle: A story of the old times and of the\n  people who lived them]\n";
        out += '\n';
    }
    return out;
}

// What `ls -R` prints for the mirror tree of books 1..books: a folder's entries in
// C order, a blank line, then each subfolder the same way, depth first. A book's
// folder holds its text, zip and HTML files; the folders above it hold the digit
// folders and the folders of the shorter numbers that live there.
inline QByteArray listing(int books)
{
    std::map<QByteArray, std::set<QByteArray>> children; // folder -> names
    std::set<QByteArray> bookFolders;
    for (int n = 1; n <= books; ++n) {
        const QByteArray num = QByteArray::number(n);
        QByteArray folder = num.size() == 1 ? QByteArray("/0") : QByteArray();
        for (qsizetype i = 0; i + 1 < num.size(); ++i) {
            children[folder.isEmpty() ? "." : "." + folder].insert(num.mid(i, 1));
            folder += '/' + num.mid(i, 1);
        }
        if (num.size() == 1)
            children["."].insert("0");
        children["." + folder].insert(num);
        folder += '/' + num;
        bookFolders.insert("." + folder);
        for (const char *suffix : { "-0.txt", "-0.zip", "-h", ".txt", ".zip" })
            children["." + folder].insert(num + suffix);
    }
    children["."].insert("GUTINDEX.ALL");
    children["."].insert("ls-R");
    QByteArray out;
    std::function<void(const QByteArray &)> list = [&](const QByteArray &folder) {
        out += folder + ":\n";
        const std::set<QByteArray> &names = children[folder];
        for (const QByteArray &name : names)
            out += name + '\n';
        out += '\n';
        for (const QByteArray &name : names) {
            const QByteArray sub = folder + '/' + name;
            if (children.count(sub))
                list(sub);
        }
    };
    list(".");
    return out;
}

} // namespace GutenbergFiles
