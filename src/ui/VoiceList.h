#pragma once

#include <functional>

class QComboBox;
class SpeechEngine;
class clsTalker;
namespace VoiceChoice {
struct Listed;
}

// The voice list of a window: one row a voice, "name - language", in the engine's order.
// When the voices come from more than one engine, each engine's run is headed by a row
// with its name ("espeak-ng", "Flite", "System voices") that cannot be chosen: the arrow
// keys and the popup step over it, and a screen reader hears each voice with its group.
// Each voice row carries its voice number, so a row is never confused with the voice of
// the same place in the engine's list.
namespace VoiceList {

// Replaces the list's rows by the talker's voices; an empty list when it has no engine.
void FillEngine(QComboBox *Combo1, const clsTalker &talker);
// The same for an engine, keeping only the voices `keep` accepts (all when empty).
void Fill(QComboBox *Combo1, const SpeechEngine *engine,
          const std::function<bool(const VoiceChoice::Listed &)> &keep = {});

// The 0-based number of the selected row's voice (what clsTalker::SelectVoice takes);
// -1 when no voice is selected.
int VoiceIndex(const QComboBox *Combo1);
// Selects the row of voice `voice` (numbered from 1); false when it is not listed.
bool SelectVoice(QComboBox *Combo1, int voice);

} // namespace VoiceList
