#pragma once

#include <QByteArray>
#include <QString>

// The string-conversion service: HTML source to the plain text the reader shows and
// speaks, the replace-all that other classes use, byte buffers to strings, and the
// escaping pair on which the stored proxy password relies. Stateless.
//
// Every replace-all goes left to right over non-overlapping occurrences in one pass and
// never searches the text it has just inserted; an empty search string changes nothing.
class cSharedHTML
{
public:
    // Head dropped, "<BR>" to line breaks, character references converted, markup
    // removed, doubled CR or LF turned into CR LF. Text in square brackets survives.
    static void HtmlToPlainText(QString &StringToConvert);

    static void MyReplace(QString &StringToAlter, const QString &LookFor,
                          const QString &ReplaceWithText, bool MatchCase);

    // Bytes through Windows-1252 up to the first zero byte, trimmed of blanks.
    static QString ByteArrayToString(const QByteArray &ByteArray);

    // Quotation mark, space, "<", ">", en and em dash and Latin-1 161..255 (except the
    // cent sign and sharp s) to their named references; HtmlToChar undoes it.
    static void CharToHtml(QString &StringToStrip);
    static void HtmlToChar(QString &StringToStrip);

    // The steps of HtmlToPlainText.
    static void TrimHeadTags(QString &LoadedString);
    static void ConvertBR(QString &LoadedString);
    static void HTMLConstToChar(QString &StringToStrip);
    static void StripHtml(QString &StringToAlter);
    static void CutOffNull(QString &StringToCut);

    // Where `needle` is in `text` from `from` on; -1 when nowhere. Quick through a book for
    // markup, which starts with a character that has no case.
    static qsizetype IndexOf(QStringView text, QStringView needle, qsizetype from,
                             Qt::CaseSensitivity cs);

    // Replace-all ignoring case, and with exact comparison.
    static void ReplaceWith(QString &WorkingString, const QString &LookFor,
                            const QString &Replacement);
    static void ReplaceWith_NC(QString &WorkingString, const QString &LookFor,
                               const QString &Replacement);
};
