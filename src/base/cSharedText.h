#pragma once

#include <QString>

// Stateless text services shared by every subsystem.
class cSharedText
{
public:
    // Removes CR, LF, blanks and hyphens from the start, one character at a time.
    static void EatCrapFromStart(QString &Content);
    // Removes CR, LF, blanks and hyphens from the end, then any trailing blanks.
    static void EatCrapFromEnd(QString &Content);

    // Both sides trimmed (TrimcTrim), then compared without regard to case as the
    // Windows-1252 code page and the user's locale see them.
    static bool StringsEqual(const QString &First, const QString &Second);
    // Whether Child occurs in Parent, ignoring case; an empty Child is in every Parent.
    static bool StringContains(const QString &Parent, const QString &Child);

    // Keeps what precedes the first NUL, then removes trailing blanks.
    static QString TrimNull(const QString &sStringToTrim);
    static QString cTrim(const QString &StringToTrim);
    // TrimNull, then leading and trailing blanks removed.
    static QString TrimcTrim(const QString &StringToTrim);
    // The string between two quotation marks; inner quotation marks stay as they are.
    static QString AddQuotes(const QString &BareString);

    // Blank-only trimming (leading, trailing, both), the classic Trim family:
    // tabs and line ends are not blanks.
    static QString LTrimBlanks(const QString &text);
    static QString RTrimBlanks(const QString &text);
    static QString TrimBlanks(const QString &text);
};
