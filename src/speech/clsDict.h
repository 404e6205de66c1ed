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
    // Replaces the list with the file's pairs; a missing file gives an empty list.
    void LoadWords();
    // Replaces the file as a whole with the trimmed pairs; false (and the old file kept
    // as it was) when it could not be written.
    bool SaveWords();
    // The sentence with one blank in front and every whole-word occurrence of each pair's
    // OriginalWord replaced by its NewWord, pairs applied in list order.
    QString TranslateText(const QString &Sentence) const;

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
};
