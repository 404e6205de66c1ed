#pragma once

class QComboBox;
class clsTalker;

// The voice list of a window: what the talker offers, one line a voice.
namespace VoiceList {

// Replaces the list's lines by the talker's voices; an empty list when it has no engine.
void FillEngine(QComboBox *Combo1, const clsTalker &talker);

} // namespace VoiceList
