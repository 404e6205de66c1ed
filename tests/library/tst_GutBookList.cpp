// The book list as the library window uses it: search with wrap-around, sorting on
// the model, the book info shown for a row and the bookseller's address.
#include "library/GutBookInfo.h"
#include "library/GutBookList.h"

#include "support/QStringPrinter.h"

#include <QPersistentModelIndex>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace {

GutBookList &listOf(GutBookList &list, const QStringList &titles)
{
    QList<GutBook> books;
    for (const QString &t : titles)
        books.append({ t, t + ".txt", "/x/" + t + ".txt" });
    list.setBooks(books);
    return list;
}

TEST(GutBookList, FindAndNextWrapAround)
{
    GutBookList list;
    listOf(list, { "Tom Sawyer, by Zaru Vazer", "Alice", "The Vazer Papers", "Bob", "Last vazer" });
    struct Case
    {
        const char *what;
        const char *text;
        int selected; // -2: Find
        int row;
    };
    const Case cases[] = {
        { "Find ignores letter case", "VAZER", -2, 0 },
        { "Find of blanks only searches for the blanks", " ", -2, 0 },
        { "Next goes on after the selection", "vazer", 0, 2 },
        { "Next passes over rows that do not match", "vazer", 2, 4 },
        { "Next on the last row starts after the first", "vazer", 4, 2 },
        { "only the selected row matches: found again", "Bob", 3, 3 },
        { "only the first row matches, last row selected", "Tom", 4, 0 },
        { "no selection searches from the top", "Alice", -1, 1 },
        { "nothing matches", "Dickens", 1, -1 },
    };
    for (const Case &c : cases) {
        const GutSearchResult r =
            c.selected == -2 ? list.Find(c.text) : list.Next(c.text, c.selected);
        EXPECT_EQ(r.row, c.row) << c.what;
        EXPECT_TRUE(r.message.isEmpty()) << c.what;
    }
    EXPECT_EQ(list.Find("").message, "Please enter one or more words to search for");
    EXPECT_EQ(list.Next("", 1).message, "Please enter one or more words to search for");
    EXPECT_EQ(list.Find("Dickens").message, "No matches");
    EXPECT_EQ(GutBookList().Next("x", 0).row, -1);
}

TEST(GutBookList, SortsByTitleIgnoringCaseAndKeepsSelection)
{
    GutBookList list;
    listOf(list, { "zebra", "Apple", "banana", QString::fromUtf8("Éclair"), "apple" });
    const QPersistentModelIndex banana = list.index(2, 0);
    list.sort(GutBookList::BookColumn, Qt::AscendingOrder);
    QStringList titles;
    for (int r = 0; r < list.rowCount(); ++r)
        titles << list.data(list.index(r, 0)).toString();
    // Equal titles keep their order; É sorts with E, not after z.
    EXPECT_EQ(titles,
              QStringList({ "Apple", "apple", "banana", QString::fromUtf8("Éclair"), "zebra" }));
    EXPECT_EQ(banana.row(), 2);
    EXPECT_EQ(list.data(banana).toString(), "banana");
    EXPECT_EQ(list.data(list.index(2, 1)).toString(), "banana.txt");
    EXPECT_EQ(list.data(list.index(2, 0), GutBookList::PathRole).toString(), "/x/banana.txt");
    EXPECT_EQ(list.Find("ban").row, 2);
    list.sort(GutBookList::BookColumn, Qt::DescendingOrder);
    EXPECT_EQ(list.data(list.index(0, 0)).toString(), "zebra");
    EXPECT_EQ(list.headerData(0, Qt::Horizontal).toString(), "Book");
    EXPECT_EQ(list.headerData(1, Qt::Horizontal).toString(), "Filename");
}

TEST(GutBookInfo, ShowSelectedBook)
{
    const QString source = "http://127.0.0.1:8000/mirror/";
    const std::tuple<GutBook, const char *, const char *> cases[] = {
        { { "Tom Sawyer Abroad, by Mark Twain", "91-0.txt", "/9/91/91-0.txt" },
          "http://127.0.0.1:8000/mirror/9/91/91-0.txt",
          "91-0.txt" },
        { { "Tom Sawyer, by Zaru Vazer", "tmsaw10.txt", "/etext93/tmsaw10.txt" },
          "http://127.0.0.1:8000/mirror/etext93/tmsaw10.txt",
          "tmsaw10.txt" },
        { { "*PG-OZ* Fair Play by Arthur Kail", "0100011h.html", "/0100011/0100011h.html" },
          "https://gutenberg.net.au/0100011/0100011h.html",
          "0100011h.html" },
    };
    for (const auto &[book, url, fileName] : cases) {
        const GutBookInfo info = GutBookInfo::ShowSelectedBook(book, source);
        EXPECT_EQ(info.title, book.title);
        EXPECT_EQ(info.url, url);
        EXPECT_EQ(info.fileName, fileName);
    }
}

TEST(GutBookInfo, BooksellerSearch)
{
    const std::tuple<const char *, bool, const char *> cases[] = {
        // The comma and "by" become blanks, Tom is too short: its empty place leaves
        // the leading blank.
        { "Tom Sawyer, by Zaru Vazer", true, "%20Sawyer%20Zaru%20Vazer" },
        { "Moby Dick; or, The Whale, by Herman Melville", true,
          "Moby%20Dick%3B%20Whale%20Herman%20Melville" },
        { "War and Peace [Vol. 2] - 1869", true, "%20Peace%20Vol.%20" },
        { "Pride & Prejudice", false, "Pride%20%26%20Prejudice" },
        { "*PG-OZ* Éhség, by Knut Hamsun", true, "%C3%89hs%C3%A9g%20Knut%20Hamsun" },
        { "0-14-044913-6", false, "0%2014%20044913%206" },
    };
    for (const auto &[title, notIsbn, keywords] : cases) {
        QString text = QString::fromUtf8(title);
        const QUrl url = QString(title).startsWith("*PG-OZ*")
            ? GutBookInfo::BooksellerSearchFor(text)
            : GutBookInfo::SeekOnAmazon(text, notIsbn, "orlin-20");
        const QString full = url.toString(QUrl::FullyEncoded);
        EXPECT_TRUE(full.startsWith("https://www.amazon.com/gp/search?ie=UTF8&keywords=")) << title;
        EXPECT_TRUE(full.endsWith("&tag=orlin-20&index=books&linkCode=ur2&camp=1789&creative=9325"))
            << full.toStdString();
        const QString got = full.section("keywords=", 1).section("&tag=", 0, 0);
        EXPECT_EQ(got, keywords) << title;
    }
}

} // namespace
