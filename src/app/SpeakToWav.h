#pragma once

#include <QString>
#include <functional>

class QWidget;
class clsDict;
class clsTalker;

// The Read to WAV button: asks for an audio file (wave first; FLAC, Ogg Vorbis, Opus and
// MP3 by the name's extension; a name without one gets ".wav") and speaks `text` into it (what
// Read would read from the caret when the button was pressed), in the talker's voice, speed
// and pitch, with the pronunciation list reloaded from its file, while a modal window shows
// the progress. A timing file (.srt) with one entry per sentence goes beside it; one question
// covers replacing either. Cancelling the file dialog ends it silently and changes nothing.
// Once a file has been chosen, stopReading runs (a reading never runs beside the
// rendering). Returns true when the file was written.
bool SpeakToWav(QWidget *parent, clsTalker *Talker, const QString &text, clsDict *dict,
                const std::function<void()> &stopReading = {});
