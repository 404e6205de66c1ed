#pragma once

#include <QStringView>

// Named character references of HTML: every name of HTML 4.01 and the HTML5
// additions that real pages use. Names are case-sensitive ("&Eacute;" is not "&eacute;").
namespace HtmlEntities {

// The code point of the name (without "&" and ";"), or 0 when the name is unknown.
char32_t lookup(QStringView name);

// Longest name in the table, so a scanner knows when to give up.
constexpr int kMaxNameLength = 32;

// For tests: every name in the table with its code point, in table order.
struct Entry
{
    const char *name;
    char32_t codePoint;
};
const Entry *table(int *count);

} // namespace HtmlEntities
