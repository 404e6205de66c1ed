#include "speech/CleanForSpeech.h"

QString CleanForSpeech(const QString &sentence)
{
    // The three replacements never overlap (each turns one character into blanks),
    // so one pass gives the same result as the three passes in turn.
    QString out;
    out.reserve(sentence.size() + 16);
    for (QChar c : sentence) {
        switch (c.unicode()) {
        case 0x2014:
            out += QLatin1Char(' ');
            break;
        case u':':
        case u';':
            out += QLatin1String("     ");
            break;
        default:
            out += c;
        }
    }
    return out;
}
