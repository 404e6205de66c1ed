#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The table of contents of an EPUB book: from the EPUB 3 navigation document (its
// nav of epub:type "toc") or the EPUB 2 NCX (navMap). Each point names a document of
// the book and, optionally, an element in it.
class EpubNavigation
{
public:
    struct Point
    {
        QString label;
        int level = 1;
        QString path; // the entry name of the document, resolved within the book
        QString fragment; // the id of the element, or empty for the document's start
    };

    // navPath: the navigation document's own entry name, which its hrefs are relative to.
    static QList<Point> fromNav(const QByteArray &xhtml, const QString &navPath);
    static QList<Point> fromNcx(const QByteArray &ncx, const QString &ncxPath);
};
