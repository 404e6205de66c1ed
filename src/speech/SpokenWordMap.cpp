#include "speech/SpokenWordMap.h"

#include <algorithm>
#include <vector>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

bool isApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

// Sentences longer than this many word pairs are aligned greedily: a full alignment of a
// sentence without end marks would take the UI thread too long.
constexpr qsizetype kFullAlignment = 250000;
constexpr int kLookAhead = 12;

} // namespace

SpokenWordMap::SpokenWordMap(const QString &shown, const QString &spoken)
    : m_shown(tokens(shown))
    , m_spoken(tokens(spoken))
{
}

QList<SpokenWordMap::Token> SpokenWordMap::tokens(const QString &text)
{
    QList<Token> out;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        if (!isWordChar(text[i])) {
            ++i;
            continue;
        }
        const int start = i;
        // "don't" and "Who’s" are one word, as the engine speaks them.
        while (i < n
               && (isWordChar(text[i])
                   || (isApostrophe(text[i]) && i + 1 < n && isWordChar(text[i + 1]))))
            ++i;
        out.append({ start, i, text.mid(start, i - start).toCaseFolded() });
    }
    return out;
}

void SpokenWordMap::align() const
{
    m_aligned = true;
    const int n = int(m_spoken.size());
    const int m = int(m_shown.size());
    // match[i]: the shown token spoken token i is the same word as, or -1.
    std::vector<int> match(size_t(n), -1);
    if (qsizetype(n) * m <= kFullAlignment) {
        // Longest common subsequence of the words, from the back so it is read forwards.
        std::vector<int> table(size_t(n + 1) * size_t(m + 1), 0);
        auto at = [&](int i, int j) -> int & { return table[size_t(i) * size_t(m + 1) + j]; };
        for (int i = n - 1; i >= 0; --i) {
            for (int j = m - 1; j >= 0; --j)
                at(i, j) = m_spoken[i].folded == m_shown[j].folded
                    ? at(i + 1, j + 1) + 1
                    : std::max(at(i + 1, j), at(i, j + 1));
        }
        for (int i = 0, j = 0; i < n && j < m;) {
            if (m_spoken[i].folded == m_shown[j].folded) {
                match[size_t(i++)] = j++;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    } else {
        for (int i = 0, j = 0; i < n && j < m;) {
            if (m_spoken[i].folded == m_shown[j].folded) {
                match[size_t(i++)] = j++;
                continue;
            }
            // The nearest point where the two agree again.
            int best = -1, bestA = 0, bestB = 0;
            for (int a = 0; a <= kLookAhead && i + a < n; ++a) {
                for (int b = 0; b <= kLookAhead && j + b < m; ++b) {
                    if ((a || b) && m_spoken[i + a].folded == m_shown[j + b].folded
                        && (best < 0 || a + b < best)) {
                        best = a + b;
                        bestA = a;
                        bestB = b;
                    }
                }
            }
            if (best < 0) {
                ++i;
                ++j;
            } else {
                i += bestA;
                j += bestB;
            }
        }
    }

    m_map.resize(n);
    for (int i = 0; i < n;) {
        if (match[size_t(i)] >= 0) {
            m_map[i] = { match[size_t(i)], match[size_t(i)] };
            ++i;
            continue;
        }
        // A run of spoken words with no counterpart, between two that have one.
        int end = i;
        while (end < n && match[size_t(end)] < 0)
            ++end;
        const int before = i > 0 ? match[size_t(i - 1)] : -1;
        const int after = end < n ? match[size_t(end)] : m;
        std::pair<int, int> shown { before + 1, after - 1 };
        if (shown.first > shown.second) {
            // Nothing was replaced here: the words were added to a neighbour.
            const int neighbour = before >= 0 ? before : std::min(after, m - 1);
            shown = { neighbour, neighbour };
        }
        for (; i < end; ++i)
            m_map[i] = shown;
    }
}

std::optional<SpokenWordMap::Range> SpokenWordMap::shownWord(int position) const
{
    if (m_shown.isEmpty())
        return std::nullopt;
    if (!m_aligned)
        align();
    // The word at the position, or the first one after it (a quote or a blank before a
    // word belongs to the word).
    const auto it = std::lower_bound(m_spoken.cbegin(), m_spoken.cend(), position,
                                     [](const Token &t, int p) { return t.end <= p; });
    if (it == m_spoken.cend())
        return std::nullopt;
    const auto [first, last] = m_map[it - m_spoken.cbegin()];
    if (first < 0 || last >= m_shown.size())
        return std::nullopt;
    return Range { m_shown[first].start, m_shown[last].end - m_shown[first].start };
}
