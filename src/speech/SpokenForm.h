#pragma once

#include <QString>

class clsDict;

// What the engine is given for a sentence the user sees: CleanForSpeech, then the
// pronunciation list (`dict` may be null). The one road from shown to spoken, for a
// reading aloud and for an audio file alike.
QString SpokenForm(const QString &shown, const clsDict *dict);
