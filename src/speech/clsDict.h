#pragma once

#include "speech/clsWordPair.h"

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
    // Appends the very object given, so an editor holding it sees later changes.
    void AddWordPair(const PairPtr &WordPair);
    // Removes the first pair whose OriginalWord equals Original under StringsEqual.
    void DeleteWordPair(const QString &Original);
    void ClearWords();
    // Replaces the list with the file's pairs; a missing file gives an empty list. A line
    // with an empty word or replacement (which the editor refuses) is skipped and logged.
    void LoadWords();
    // Replaces the file as a whole with the trimmed pairs; false (and the old file kept
    // as it was) when it could not be written.
    bool SaveWords();
    // The sentence with one blank in front and every whole-word occurrence of each pair's
    // OriginalWord replaced by its NewWord, pairs applied in list order. Each pair replaces
    // words of the text it is given in one go, never what it inserts itself, and the
    // result stays within ResultLimit of the text: a pair that would take it further stops
    // there (logged once per list).
    QString TranslateText(const QString &Sentence) const;
    // The most characters TranslateText makes of a text of this length (the added blank
    // counted): a list can make a sentence a good deal longer, never a book of it.
    static qsizetype ResultLimit(qsizetype length);
    static constexpr qsizetype kGrowthLimit = 16;
    // Short sentences are measured as if this long: a short one may still take a long
    // replacement.
    static constexpr qsizetype kShortestMeasure = 64;

    // Why a pair typed in the editor could not be kept in the word-pair file and read back
    // as typed: an empty word or replacement (blanks are trimmed when saving), a comma in
    // the word (the file splits at its first comma), a line end in either. None when it can.
    enum class PairProblem { None, EmptyWord, EmptyReplacement, CommaInWord, LineEnd };
    static PairProblem CheckPair(const QString &OriginalWord, const QString &NewWord);

    // The word-pair file: the program folder's ol1dict.txt unless a test says otherwise.
    QString fileName() const;
    void setFileName(const QString &path) { m_fileName = path; }

private:
    QString m_fileName;
    mutable bool m_limitLogged = false;
};
