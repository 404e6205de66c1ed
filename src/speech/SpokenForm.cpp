#include "speech/SpokenForm.h"

#include "base/Trace.h"
#include "speech/CleanForSpeech.h"
#include "speech/clsDict.h"

QString SpokenForm(const QString &shown, const clsDict *dict)
{
    QString spoken = CleanForSpeech(shown);
    // A pronunciation list that fails on one sentence must not silence it: the sentence is
    // spoken as cleaned, and the log says why.
    if (dict)
        Trace::attempt(QStringLiteral("SpokenForm"), QStringLiteral("clsDict"),
                       [&] { spoken = dict->TranslateText(spoken); });
    return spoken;
}
