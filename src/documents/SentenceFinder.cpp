#include "documents/SentenceFinder.h"

#include "base/SentenceRule.h"

#include <algorithm>

std::optional<SentenceFinder::Found>
SentenceFinder::FindSentence(const QString &Text, int Origin, int Start, const SentenceRule &Rule)
{
    const qsizetype origin = std::clamp<qsizetype>(Origin - 1, 0, Text.size());
    // The store was given the text from the origin on and nothing before it: the rule
    // must not see more, or a word cut by the caret would end a sentence differently.
    const QStringView read = QStringView(Text).sliced(origin);
    const qsizetype from = std::max<qsizetype>(Start - 1 - origin, 0);
    const std::optional<SentenceRule::Span> span = Rule.next(read, from);
    if (!span)
        return std::nullopt;
    return Found { int(origin + span->begin + 1), int(origin + span->end) };
}
