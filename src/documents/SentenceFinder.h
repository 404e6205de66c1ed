#pragma once

#include <QString>
#include <optional>

class SentenceRule;

// The main window's scan for the sentence being spoken, in the displayed text. It follows
// the sentence store's own rule from where the reading began, so it finds the very
// sentences the store hands out. Positions are 1-based, as the reading code counts them.
class SentenceFinder
{
public:
    struct Found
    {
        int start; // first character
        int end; // last character, end marks and closing quotes included
    };

    // The next sentence of the reading that took Text from position Origin on, looked for
    // from position Start (at or after Origin). Empty when the reading has no more.
    static std::optional<Found> FindSentence(const QString &Text, int Origin, int Start,
                                             const SentenceRule &Rule);
};
