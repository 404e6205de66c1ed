#pragma once

#include <QString>
#include <array>

// Made-up English prose for the benchmarks: sentences of ordinary words with the
// given sentence endings, the same text for the same seed on every run.
inline QString generatedProse(qsizetype size, quint32 seed, const std::array<const char *, 8> &ends)
{
    static const char *words[] = { "the",   "old",   "miller", "walked", "down", "to",
                                   "river", "and",   "saw",    "a",      "boat", "drifting",
                                   "past",  "his",   "house",  "while",  "rain", "fell",
                                   "on",    "green", "hills",  "Martha", "said", "nothing",
                                   "about", "it",    "again" };
    constexpr int wordCount = int(sizeof words / sizeof *words);
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 16) % quint32(n));
    };
    QString text;
    text.reserve(size + 200);
    while (text.size() < size) {
        const int length = 6 + next(18);
        for (int w = 0; w < length; ++w) {
            if (w > 0)
                text += QLatin1Char(' ');
            text += QLatin1String(words[next(wordCount)]);
        }
        text += QLatin1String(ends[size_t(next(8))]);
    }
    text.truncate(size);
    return text;
}
