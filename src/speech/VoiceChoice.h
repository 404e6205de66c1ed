#pragma once

#include "speech/SpeechEngine.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

// Which voice the user means: remembered in the settings by engine and name, so it is
// found again whatever its place in a list that changes with the locale, the installed
// voices and the engines that answer; given on a command line as ENGINE:NAME.
//
// Settings keys, written together whenever a voice is chosen:
//   "LASTVOICEID"  "ENGINE:NAME" ("flite:slt", "espeak-ng:English (Great Britain)")
//   "LASTVOICE"    the voice as the list shows it ("slt - en-us"), which earlier versions
//                  wrote and read
//   "LASTENGINE"   the voice's 0-based number, which the first versions wrote and read
// They are read in that order: a settings file of an earlier version finds its voice too.
namespace VoiceChoice {

// One voice the engine can describe, as a list shows it.
struct Listed
{
    int voice; // the engine's number, from 1
    VoiceIdentity identity;
    QString language;
    QString shown; // "name - language"
    bool canRender;
};
// The voices in the engine's order; a voice the engine cannot describe is left out.
QList<Listed> List(const SpeechEngine &engine);

// "ENGINE:NAME"; the bare name for an engine that gives none.
QString IdText(const VoiceIdentity &identity);
// The engine's name for a name a user may type: the engine's own ("espeak-ng"), the
// list's heading ("System voices"), or a short form ("espeak", "speechd", "system"),
// in any letter case; empty when it names no engine.
QString EngineNamed(const QString &text);
// The heading of an engine's voices in a list: "espeak-ng", "Flite", "System voices"
// (English; the window translates it); empty for an engine without a name.
QString GroupTitle(const QString &engine);

// The voice with that identity: its number, or 0 when it is not installed now.
int Find(const QList<Listed> &voices, const VoiceIdentity &identity);

struct Saved
{
    int voice = 0; // to select; 0 when the engine has no voice
    // The remembered "ENGINE:NAME" when that voice is not there now (its engine did not
    // answer this time): KeepUnavailable puts it back after the selection is stored.
    QString unavailable;
    // Whether the remembered voice itself is among the voices (true when none is
    // remembered), not a fallback for one that is not.
    bool listed = false;
};
// The voice the settings remember (see above). A saved number beyond the list means the
// last voice, a negative one the first; a remembered voice that is not installed now
// means the first voice (the one for the user's language).
Saved Restore(const QList<Listed> &voices);
// Whether the voice the settings remember is one of `voices` (true when none is
// remembered): voices listed later need not be waited for.
bool SavedAmong(const QList<Listed> &voices);
// Stores voice `index` (0-based number) as the last one chosen, shown as `shown`.
void Remember(const SpeechEngine *engine, int index, const QString &shown);
// A voice missing only for now (its daemon did not answer) stays the remembered one.
void KeepUnavailable(const Saved &saved);

// The voice a command line names: "ENGINE:NAME", a number as --list-voices prints it, or
// a name ("slt", "English (Great Britain)") that only one engine has. 0 and the reason in
// `error` when it names none.
int FromCommandLine(const QList<Listed> &voices, const QString &text, QString *error);
// A renderer with voice `voice` (its speed and pitch the engine's), the engine's own
// selection left as it was; null when that voice cannot be written to a file.
std::unique_ptr<SpeechRenderer> CreateRenderer(SpeechEngine &engine, int voice, int jobs);

// What --list-voices prints: one voice a line, "N<TAB>ENGINE:NAME<TAB>language", those
// that cannot be written to a file marked so.
QString ListingText(const QList<Listed> &voices);

} // namespace VoiceChoice
