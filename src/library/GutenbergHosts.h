#pragma once

#include <QString>

// Every Project Gutenberg (and Project Gutenberg Australia) address the library
// knows, in one place: when a host moves, this is the only file to change.
namespace GutenbergHosts {

// The root of the main site's file tree ("/dirs/"): ls-R and GUTINDEX.ALL live
// there, and every book under its numbered folders. The default of both the
// catalogue address and the download source.
inline QString FileTreeRoot()
{
    return QStringLiteral("https://www.gutenberg.org/dirs/");
}

// Project Gutenberg Australia's site root; its books and catalogue hang off it.
inline QString AustralianRoot()
{
    return QStringLiteral("https://gutenberg.net.au/");
}

inline QString AustralianCatalogue()
{
    return AustralianRoot() + QStringLiteral("catalogue.txt");
}

// The bookseller's search page; the query keys are added by GutBookInfo.
inline QString BooksellerSearch()
{
    return QStringLiteral("https://www.amazon.com/gp/search");
}

inline QString BooksellerTag()
{
    return QStringLiteral("orlin-20");
}

} // namespace GutenbergHosts
