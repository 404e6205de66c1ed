#pragma once

#include <QString>

// The last rewrite before a sentence reaches the engine: an em dash becomes one
// blank, a colon and a semicolon five blanks each, so the voice pauses there.
// The argument is left unchanged; the sentence shown to the user never is cleaned.
QString CleanForSpeech(const QString &sentence);
