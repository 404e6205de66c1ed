#include "documents/Document.h"

QString Document::ShownText(QString text)
{
    // One pass in place: CR LF shrinks by one, every other rule keeps the length.
    QChar *out = text.data();
    const QChar *in = out;
    const QChar *end = in + text.size();
    QChar *start = out;
    for (; in != end; ++in) {
        switch (in->unicode()) {
        case u'\r':
            if (in + 1 != end && in[1] == QLatin1Char('\n'))
                ++in;
            *out++ = QLatin1Char('\n');
            break;
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
        case 0xFDD0: // a text document's frame marks: no characters of a text
        case 0xFDD1:
            *out++ = QLatin1Char('\n');
            break;
        case 0x00A0:
            *out++ = QLatin1Char(' ');
            break;
        default:
            *out++ = *in;
        }
    }
    text.truncate(out - start);
    return text;
}
