#pragma once

#include <QList>
#include <QString>
#include <optional>

// Where a word the engine speaks stands in the sentence the user sees. The engine is
// given the sentence after cleaning and the pronunciation list ("Dr: Who" may be spoken
// as " Doctor      Who"), and reports its words by position in that text; this maps a
// position back onto the shown sentence. The two texts are aligned word by word (case
// folded): a word found in both maps onto itself, words that replaced others map onto
// the whole run of shown words they replaced, and words added around an unchanged one
// ("Orlin" spoken as "the reader called Orlin") map onto that word.
class SpokenWordMap
{
public:
    SpokenWordMap() = default;
    SpokenWordMap(const QString &shown, const QString &spoken);

    struct Range
    {
        int start;
        int length;
        bool operator==(const Range &) const = default;
    };
    // The shown words that the spoken word at `position` stands for; nothing when the
    // position lies past the spoken words or the shown sentence has none.
    std::optional<Range> shownWord(int position) const;

private:
    struct Token
    {
        int start;
        int end;
        QString folded;
    };
    static QList<Token> tokens(const QString &text);
    void align() const;

    QList<Token> m_shown;
    QList<Token> m_spoken;
    // Per spoken token, the first and last shown token it stands for; built on first use.
    mutable QList<std::pair<int, int>> m_map;
    mutable bool m_aligned = false;
};
