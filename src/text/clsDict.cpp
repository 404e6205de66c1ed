// Temporary stand-in so the speech wrapper builds; replaced by the full dictionary.
#include "text/clsDict.h"

#include "platform/ProgramInfo.h"

short clsDict::WordCount() const { return Words ? short(Words->size()) : 0; }
void clsDict::AddWordPair(const PairPtr &WordPair)
{
    if (!Words)
        Words.emplace();
    Words->append(WordPair);
}
void clsDict::DeleteWordPair(const QString &) {}
void clsDict::ClearWords() { Words.reset(); }
void clsDict::LoadWords() { Words.emplace(); }
void clsDict::SaveWords() {}
QString clsDict::TranslateText(const QString &Sentence) const { return QLatin1Char(' ') + Sentence; }
QString clsDict::fileName() const
{
    return m_fileName.isEmpty() ? ProgramInfo::programFile(QStringLiteral("ol1dict.txt")) : m_fileName;
}
