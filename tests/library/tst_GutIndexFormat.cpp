// The catalogue formats on the rules that break on today's Project Gutenberg files,
// checked against real excerpts of them where the shared corpora are present.
#include "library/GutIndexFormat.h"

#include "support/Corpora.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace GutIndexFormat;

namespace {

QString readCorpus(const QString &relative)
{
    QFile f(corporaFile(relative));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList sorted(QStringList files)
{
    SortArray(files);
    return files;
}

// Index lines as path -> text.
QMap<QString, QString> byPath(const QStringList &lines)
{
    QMap<QString, QString> out;
    for (const QString &l : lines) {
        const qsizetype comma = l.indexOf(u',');
        out.insert(l.left(comma), l.mid(comma + 2));
    }
    return out;
}

TEST(GutIndexFormat, BuildPathPlusFileFollowsTheMirrorsFolders)
{
    const std::pair<const char *, const char *> cases[] = {
        { "1", "/0/1/1.txt" },
        { "9", "/0/9/9.txt" },
        { "10", "/1/10/10.txt" },
        { "91", "/9/91/91.txt" },
        { "999", "/9/9/999/999.txt" },
        { "1234", "/1/2/3/1234/1234.txt" },
        { "1404", "/1/4/0/1404/1404.txt" },
        { "12345", "/1/2/3/4/12345/12345.txt" },
        { "72593", "/7/2/5/9/72593/72593.txt" },
        { "12a", "12a" },
        { "", "" },
    };
    for (const auto &[num, path] : cases)
        EXPECT_EQ(BuildPathPlusFile(num), path) << num;
}

// 50,000 real mirror addresses: every numbered book's folder is the one built here
// (one address of the list puts 2609 under /1/2/5/, a slip of the list itself).
TEST(GutIndexFormat, BuildPathPlusFileAgreesWithRealMirrorPaths)
{
    const QString targets = readCorpus("gutenberg_catalog/rayword-targets.txt");
    if (targets.isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    static const QRegularExpression numbered(
        QStringLiteral("^https?://[^/]+(/(?:\\d/)+(\\d+))/\\2(?:[-.][^/]*)$"));
    int checked = 0;
    QStringList different;
    for (const QString &line : targets.split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = numbered.match(line.trimmed());
        if (!m.hasMatch())
            continue;
        const QString built = BuildPathPlusFile(m.captured(2));
        if (built.left(built.lastIndexOf(u'/')) != m.captured(1))
            different << line.trimmed();
        ++checked;
    }
    EXPECT_GT(checked, 50000);
    EXPECT_EQ(different, QStringList { "http://aleph.gutenberg.org/1/2/5/2609/2609-0.zip" });
}

TEST(GutIndexFormat, FindInSortedList)
{
    const QStringList files =
        sorted({ "/0/1/1.txt", "/9/91/91-0.txt", "/9/91/91.txt", "/9/98/98-8.txt", "/a/last.txt" });
    const int last = int(files.size()) - 1;
    const std::tuple<QStringList, int, const char *, int> cases[] = {
        { files, last, "/0/1/1.txt", 0 },
        { files, last, "/a/last.txt", last },
        { files, last, "/9/91/91.txt", 2 },
        { files, last, "/9/91/91-8.txt", -1 },
        { files, last, "/zzz", -1 },
        { files, last, "/", -1 },
        { files, 2, "/a/last.txt", -1 }, // beyond the last index given
        { { "/0/1/1.txt" }, 0, "/0/1/1.txt", 0 }, // a one-line list finds its line
        { { "/0/1/1.txt" }, 0, "/0/2/2.txt", -1 },
        { {}, -1, "/0/1/1.txt", -1 },
    };
    for (const auto &[list, lastIndex, value, expected] : cases)
        EXPECT_EQ(FindInSortedList(list, lastIndex, value), expected) << value;
}

TEST(GutIndexFormat, ListingKeepsBookFilesOfEveryFolder)
{
    const QString listing = QStringLiteral(
        ".:\r\nGUTINDEX.ALL\r\nls-R\r\n1\r\n\r\n"
        "./1/2/3/4/12345:\r\n12345-0.txt\r\n12345-h\r\n12345.ZIP\r\nREADME\r\nnotes.doc\r\n  "
        "12345-8.txt  \r\n\r\n"
        "./1/2/3/4/12345/12345-h:\r\n12345-h.htm\r\nimages\r\npage.html\r\n\r\n"
        "./9/91:\r\n91,old.txt\r\n91.txt\r\n\r\n"
        // Headers that are no folder of the tree open nothing.
        ".x:\r\nwrong.txt\r\n\r\n./../up:\r\nclimb.txt\r\n\r\n./a,b:\r\ncomma.txt\r\n\r\n"
        "./9/92:\r\nsplit\rname.txt\r\n");
    const QStringList expected =
        sorted({ "/1/2/3/4/12345/12345-0.txt", "/1/2/3/4/12345/12345.ZIP",
                 "/1/2/3/4/12345/12345-8.txt", "/1/2/3/4/12345/12345-h/12345-h.htm",
                 "/1/2/3/4/12345/12345-h/page.html", "/9/91/91.txt" });
    EXPECT_EQ(filesFromListing(listing), expected);
    // Line ends of either kind give the same list.
    EXPECT_EQ(filesFromListing(QString(listing).replace("\r\n", "\n")), expected);
}

const char *const kHeader = "Some introduction 2024\n\n<===LISTINGS===>\n\n"
                            "TITLE and AUTHOR                                      EBOOK NO.\n\n";

struct GutindexCase
{
    const char *what;
    const char *listings;
    std::vector<const char *> expected; // "path, text" lines
};

TEST(GutIndexFormat, GutindexEntries)
{
    const QStringList files = sorted(
        { "/7/74/74-8.txt", "/9/91/91-0.txt", "/9/91/91.txt", "/9/91/91-8.txt",
          "/5/8/2/0/58207/58207-0.txt", "/1/14/14.txt", "/0/3/3.txt", "/7/2/5/5/72557/72557-0.txt",
          "/7/2/5/8/72583/72583-0.txt", "/6/4/1/2/64127/64127-0.txt" });
    const GutindexCase cases[] = {
        { "the -0 file is taken before -8 and the plain one",
          "Tom Sawyer Abroad, by Mark Twain                            91\n",
          { "/9/91/91-0.txt, Tom Sawyer Abroad, by Mark Twain" } },
        { "a -8 file is found when there is no -0",
          "A Book, by Someone                                         74\n",
          { "/7/74/74-8.txt, A Book, by Someone" } },
        { "a bracket in the title line is part of it; only a line that starts with one is an "
          "attribute",
          "The Cambrian Tourist [1828], by Anonymous                  64127\n"
          "  [Subtitle: or, Post-Chaise Companion through Wales]\n",
          { "/6/4/1/2/64127/64127-0.txt, The Cambrian Tourist [1828], by Anonymous" } },
        { "a book still under copyright keeps its number",
          "Behold this Dreamer, by Elizabeth Bartlett             58207C\n",
          { "/5/8/2/0/58207/58207-0.txt, Behold this Dreamer, by Elizabeth Bartlett" } },
        { "old-style code under its year",
          "Dec 1993 Tom Sawyer, by Zaru Vazer [tmsawxxx.xxx]\n",
          { "/etext93/tmsaw10.txt, Tom Sawyer, by Zaru Vazer" } },
        { "no number and no code: nothing",
          "Some Title, by Nobody\nAudio: Dec 1993 Talk [talkxxx.xxx]\n",
          {} },
        { "the title runs on; attributes and their continuations stay out",
          "The life and times of John Kelly, tribune of the people,  72557\n"
          "  by James Fairfax McLaughlin\n"
          " [Subtitle: Translated from the Greek with a Preliminary\n"
          "  Discourse and Annotations 14]\n"
          "  [Language: English]\n",
          { "/7/2/5/5/72557/72557-0.txt, The life and times of John Kelly, tribune of the people, "
            "by "
            "James Fairfax McLaughlin" } },
        { "a continuation ending in a number is no book of that number",
          "The Works of John Dryden, Now first collected,            72583\n"
          "  Volume 14\n"
          "Vol. 3\n",
          { "/7/2/5/8/72583/72583-0.txt, The Works of John Dryden, Now first collected, Volume 14",
            "/0/3/3.txt, Vol." } },
        { "an indented line after a blank one is an entry of its own",
          "\n Tom Sawyer Abroad                                          91\n",
          { "/9/91/91-0.txt, Tom Sawyer Abroad" } },
        { "a stray carriage return in a title becomes a blank: an index line is one line",
          "Tom Sawyer\rAbroad, by Mark Twain                            91\n",
          { "/9/91/91-0.txt, Tom Sawyer Abroad, by Mark Twain" } },
        { "the number is taken off the end only",
          "Fourteen 14 Ways, by 14 Authors                             14\n",
          { "/1/14/14.txt, Fourteen 14 Ways, by 14 Authors" } },
        { "a book missing from the file list is dropped with its continuation",
          "Not There, by Anyone,                                     99999\n"
          "  Tom Sawyer Abroad                                          91\n",
          {} },
    };
    for (const GutindexCase &c : cases) {
        const QStringList got =
            indexFromGutindex(QString::fromUtf8(kHeader) + QString::fromUtf8(c.listings), files);
        QStringList expected;
        for (const char *e : c.expected)
            expected << QString::fromUtf8(e);
        EXPECT_EQ(got, expected) << c.what;
    }
}

TEST(GutIndexFormat, BothListingMarkersAndNothingBefore)
{
    const QStringList files = sorted({ "/9/91/91.txt", "/2/0/2/2024/2024.txt" });
    const QString entry = QStringLiteral("Tom Sawyer Abroad                      91\n");
    const QString before =
        QStringLiteral("Gutenberg collection between January 1 and December 31, 2024\n");
    EXPECT_EQ(indexFromGutindex(before + "<==Start GUTINDEX.ALL listings==>\n" + entry, files),
              QStringList { "/9/91/91.txt, Tom Sawyer Abroad" });
    EXPECT_EQ(indexFromGutindex(before + "  <===LISTINGS===>  \r\n" + entry, files),
              QStringList { "/9/91/91.txt, Tom Sawyer Abroad" });
    EXPECT_TRUE(indexFromGutindex(before + entry, files).isEmpty());
}

// The real head of today's GUTINDEX.ALL, with a file list that has every book in it.
TEST(GutIndexFormat, RealGutindexHead)
{
    const QString head = readCorpus("gutenberg_catalog/GUTINDEX.ALL.excerpt-head.txt");
    if (head.isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    QStringList files;
    for (int n = 72552; n <= 72593; ++n)
        files << BuildPathPlusFile(QString::number(n)).replace(".txt", "-0.txt");
    // Years in the introduction end in numbers too; none of them may become a book.
    files << BuildPathPlusFile("2024") << BuildPathPlusFile("2023");
    SortArray(files);
    const QStringList index = indexFromGutindex(head, files);
    const QMap<QString, QString> texts = byPath(index);
    EXPECT_EQ(index.size(), 42);
    EXPECT_FALSE(texts.contains(BuildPathPlusFile("2024")));
    // UTF-8 names of the real file, kept whole.
    EXPECT_EQ(texts.value("/7/2/5/9/72593/72593-0.txt"),
              QString::fromUtf8("Onnen arkku, by Ilmari Jäämaa"));
    EXPECT_EQ(texts.value("/7/2/5/9/72591/72591-0.txt"),
              QString::fromUtf8("A mennyei küldönc, by Dezső Szomory"));
    EXPECT_EQ(texts.value("/7/2/5/9/72590/72590-0.txt"),
              QString::fromUtf8("Éhség, by Knut Hamsun"));
    EXPECT_EQ(
        texts.value("/7/2/5/5/72557/72557-0.txt"),
        "The life and times of John Kelly, tribune of the people, by James Fairfax McLaughlin");
    EXPECT_EQ(
        texts.value("/7/2/5/6/72564/72564-0.txt"),
        "Chambers's Journal of Popular Literature, Science, and Art, fifth series, Vol. 3, no. "
        "134, July 24, 1886, by Anonymous");
    EXPECT_EQ(texts.value("/7/2/5/8/72583/72583-0.txt"),
              "The Genuine Works of Hippocrates, Vol. 1 of 2, by Hippocrates");
}

// 13,000 real listing entries: one index line per numbered entry, whatever the
// continuation lines end in.
TEST(GutIndexFormat, RealNewsletterListings)
{
    QString listings;
    for (int year = 2018; year <= 2024; ++year)
        listings += readCorpus(
            QStringLiteral("gutenberg_catalog/newsletter_listings/listings-%1.txt").arg(year));
    if (listings.isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    // Every number 1..80,000 has files, so only the parser decides what is an entry.
    QStringList files;
    for (int n = 1; n <= 80000; ++n)
        files << BuildPathPlusFile(QString::number(n));
    SortArray(files);
    const QStringList index = indexFromGutindex("<===LISTINGS===>\n" + listings, files);
    QSet<QString> paths;
    for (const QString &l : index)
        paths.insert(l.left(l.indexOf(u',')));
    // Continuation lines end in volume numbers and years; no small number is a book here.
    for (const char *n : { "10", "12", "14", "1886", "1908", "1799" })
        EXPECT_FALSE(paths.contains(BuildPathPlusFile(n))) << n;
    EXPECT_GT(index.size(), 12000);
    const QMap<QString, QString> texts = byPath(index);
    EXPECT_EQ(
        texts.value(BuildPathPlusFile("58196")),
        "The Journal of Electricity, Power and Gas, Volume 20, No. 18, May 2, 1908, by Various");
    EXPECT_EQ(texts.value(BuildPathPlusFile("58214")),
              "Public and Private Life of Animals, by J. Thomson");
    EXPECT_EQ(texts.value(BuildPathPlusFile("58206")), "From Ocean to Ocean, by Jerome J. Murif");
    // Brackets in the title line belong to the title.
    EXPECT_EQ(texts.value(BuildPathPlusFile("64127")), "The Cambrian Tourist [1828], by Anonymous");
    EXPECT_EQ(texts.value(BuildPathPlusFile("73394")),
              "The virtues of common water [Tenth Edition], by John Smith");
}

// One stray byte spoils only its own line: UTF-8 where a line is valid, Windows-1252 where
// it is not, whatever the line ends.
TEST(GutIndexFormat, CatalogueFilesAreDecodedLineByLine)
{
    const std::pair<QByteArray, QString> cases[] = {
        { "Onnen arkku, by Ilmari J\xc3\xa4\xc3\xa4maa\r\nCaf\xe9 stories\r\n\xc3\x89hs\xc3\xa9g\n",
          QString::fromUtf8("Onnen arkku, by Ilmari Jäämaa\r\nCafé stories\r\nÉhség\n") },
        { "\x93quoted\x94 and \x80\nno end", QString::fromUtf8("“quoted” and €\nno end") },
        // A character cut at the end of a line is no UTF-8: the line is Windows-1252.
        { "cut \xc3\nwhole \xc3\xa9", QString::fromUtf8("cut Ã\nwhole é") },
        { {}, {} },
    };
    for (const auto &[bytes, text] : cases)
        EXPECT_EQ(decodeLines(bytes), text) << bytes.toStdString();
}

// What a downloaded source must look like before it may replace the one there is.
TEST(GutIndexFormat, SourcesAreRecognisedByTheirContent)
{
    EXPECT_TRUE(looksLikeListing(".:\nGUTINDEX.ALL\n\n./1/4/0/1404:\n1404.txt\n"));
    EXPECT_FALSE(looksLikeListing("404 Not Found\nThe requested file is not here.\n"));
    EXPECT_TRUE(looksLikeGutindex("Intro\n<==Start GUTINDEX.ALL listings==>\nA, 1\n"));
    EXPECT_TRUE(looksLikeGutindex("Intro\n  <===listings===>\n"));
    EXPECT_FALSE(looksLikeGutindex("<html><body>Sign in to continue</body></html>"));
    EXPECT_TRUE(looksLikeAustralian("<pre>\n0100011,0100011,html,Fair Play, by A Kail\n"));
    EXPECT_FALSE(looksLikeAustralian("Service Unavailable, try later\n"));
}

// `ls -R` of a real mirror subtree and the lookups a reader needs.
TEST(GutIndexFormat, RealMirrorSample)
{
    const QString mirror = corporaFile("gutenberg_books/mirror_sample");
    if (mirror.isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    QProcess ls;
    ls.setWorkingDirectory(mirror);
    ls.start("ls", { "-R" });
    ASSERT_TRUE(ls.waitForFinished(10000));
    const QStringList files = filesFromListing(QString::fromUtf8(ls.readAllStandardOutput()));
    EXPECT_TRUE(files.contains("/1/4/0/1404/1404.txt"));
    EXPECT_TRUE(files.contains("/9/98/98-8.txt"));
    EXPECT_FALSE(files.contains("/readme.md"));
    const std::pair<const char *, const char *> books[] = {
        { "91", "/9/91/91-0.txt" },         { "98", "/9/98/98-0.txt" }, { "90", "/9/90/90.txt" },
        { "1404", "/1/4/0/1404/1404.txt" }, { "89", nullptr },
    };
    for (const auto &[num, path] : books) {
        const int idx = FindBookFile(files, num);
        EXPECT_EQ(idx < 0 ? QString() : files.at(idx), QString::fromUtf8(path)) << num;
    }
}

TEST(GutIndexFormat, AustralianCatalogue)
{
    const QString catalogue =
        QStringLiteral("<html><body><PRE>\n"
                       "0100011,0100011,html,Fair Play by Arthur Kail\n"
                       "\"0200021\", \"0200021h\" ,\"HTML\",  The Drover's Wife by Henry Lawson  \n"
                       "0300031,0300031,txt,Some Text Book\n"
                       "0400041,,txt,No name at all\n"
                       "..,evil,txt,Climbs out\n"
                       "0500051,a\\b,txt,Backslash\n"
                       ",0600061,txt,No folder\n"
                       "</pre></body></html>\n");
    EXPECT_EQ(indexFromAustralian(catalogue),
              QStringList({ "/0100011/0100011h.html, *PG-OZ* Fair Play by Arthur Kail",
                            "/0200021/0200021h.html, *PG-OZ* The Drover's Wife by Henry Lawson",
                            "/0300031/0300031.txt, *PG-OZ* Some Text Book" }));
}

} // namespace
