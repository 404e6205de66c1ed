#include "documents/SentenceFinder.h"

#include <algorithm>

int SentenceFinder::FindSentenceEnd(const QString &Text, int Start)
{
    const int length = int(Text.size());
    const QChar *chars = Text.constData();
    // One pass for whichever of the three marks comes first: looking for each mark
    // separately would scan to the end of a book for a mark it never uses.
    int i = 0;
    for (int p = std::max(Start, 1); p <= length; ++p) {
        if (isSentenceEnd(chars[p - 1])) {
            i = p;
            break;
        }
    }
    if (i == 0)
        return 0;
    while (i < length && isSentenceEnd(chars[i]))
        ++i;
    if (i < length && chars[i] == QLatin1Char('"'))
        ++i;
    return i;
}
