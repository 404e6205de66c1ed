#pragma once

#include <QChar>
#include <QString>

// The main window's own scan for the end of the sentence being spoken. Positions
// are 1-based, as the reading code counts them; 0 means "not found".
class SentenceFinder
{
public:
    static bool isSentenceEnd(QChar ch)
    {
        return ch == QLatin1Char('.') || ch == QLatin1Char('!') || ch == QLatin1Char('?');
    }

    // The position of the first sentence-end character at or after Start, moved on
    // over a run of them ("?!", "...") and over one closing double quote. 0 when no
    // sentence end follows Start.
    static int FindSentenceEnd(const QString &Text, int Start);
};
