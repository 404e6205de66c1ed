#pragma once

#include "speech/clsDict.h"
#include "speech/clsWordPair.h"

#include <QList>
#include <memory>
#include <utility>

// A pronunciation list held in memory only (its file does not exist) with these pairs of
// a word as written and as it is to be spoken.
inline void FillDictionary(clsDict &dict, const QList<std::pair<const char *, const char *>> &pairs)
{
    dict.setFileName(QStringLiteral("/nonexistent/ol1dict.txt"));
    dict.LoadWords();
    for (const auto &[from, to] : pairs) {
        auto pair = std::make_shared<clsWordPair>();
        pair->OriginalWord = QString::fromUtf8(from);
        pair->NewWord = QString::fromUtf8(to);
        dict.AddWordPair(pair);
    }
}
