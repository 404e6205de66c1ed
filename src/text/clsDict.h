#pragma once

#include "text/clsWordPair.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

// The user's pronunciation list, kept in ol1dict.txt in the program folder.
class clsDict
{
public:
    using PairPtr = std::shared_ptr<clsWordPair>;

    // Absent until the first AddWordPair or LoadWords, and again after ClearWords.
    std::optional<QList<PairPtr>> Words;

    short WordCount() const;
    void AddWordPair(const PairPtr &WordPair);
    void DeleteWordPair(const QString &Original);
    void ClearWords();
    void LoadWords();
    void SaveWords();
    QString TranslateText(const QString &Sentence) const;

    // The word-pair file: the program folder's ol1dict.txt unless a test says otherwise.
    QString fileName() const;
    void setFileName(const QString &path) { m_fileName = path; }

private:
    QString m_fileName;
};
