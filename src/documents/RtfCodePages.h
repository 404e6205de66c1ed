#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Bytes of an RTF document's text in its own code page: Windows-1252 through the
// program's table, UTF-8 by Qt, everything else through iconv. One decoder lives for one
// import and keeps its iconv handles open until then.
class RtfCodePages
{
public:
    RtfCodePages() = default;
    ~RtfCodePages();
    RtfCodePages(const RtfCodePages &) = delete;
    RtfCodePages &operator=(const RtfCodePages &) = delete;

    // Unknown code pages, and bytes a code page does not define, never fail the
    // import: the first read as Windows-1252, the second become U+FFFD.
    QString decode(int codePage, const QByteArray &bytes);

    // The code page of symbol fonts (\fcharset2), decoded through the layout of the
    // Symbol font: Greek letters, mathematical signs, arrows.
    static constexpr int kSymbol = 42;
    static QChar symbolChar(unsigned char byte);

    // The code page that a font's \fcharsetN implies; 0 when the font follows the
    // document's \ansicpg.
    static int codePageForCharset(int charset);
    // Whether the code page uses two-byte characters, whose bytes must stay together.
    static bool isDoubleByte(int codePage);

private:
    void *converterFor(int codePage);

    QHash<int, void *> m_converters; // iconv_t, or nullptr when iconv lacks the page
};
