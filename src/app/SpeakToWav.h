#pragma once

class QWidget;
class RichTextBox;
class clsDict;
class clsTalker;

// The Read to WAV button: asks for a wave file and speaks into it what Read would
// read from the caret, in the talker's voice, speed and pitch, with the pronunciation
// list reloaded from its file, while a modal window shows the progress. A timing file
// (.srt) with one entry per sentence goes beside it. Cancelling the file dialog ends
// it silently. Returns true when the file was written. The caller stops a reading
// in progress first.
bool SpeakToWav(QWidget *parent, clsTalker *Talker, RichTextBox &view, clsDict *dict);
