#pragma once

#include "library/GutBookList.h"

#include <QString>
#include <QUrl>

// What the "Book Info" frame shows for the selected book.
struct GutBookInfo
{
    QString title; // lblTitle
    QString url; // txtUrl: where Download Book fetches it from
    QString fileName; // lblFilename: the URL's file name

    // An Australian entry (its text holds "*PG-OZ*") is fetched from the Australian
    // site whatever the download source says; every other from the download source,
    // an address ending in "/".
    static GutBookInfo ShowSelectedBook(const GutBook &book, const QString &downloadSource);

    // The bookseller's search page for a title (SeekOnAmazon): brackets, dashes,
    // commas, quotes and the word "by" become blanks; with notAnIsbn, words of three
    // characters or fewer and words holding a digit are dropped. Each word is
    // percent-encoded, so titles in any script and with "&" or "#" stay one query.
    static QUrl SeekOnAmazon(const QString &searchText, bool notAnIsbn, const QString &tag);

    // The Amazon button: the title without its "*PG-OZ*" mark, searched as a title.
    static QUrl BooksellerSearchFor(const QString &title);
};
