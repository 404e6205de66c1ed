#pragma once

// Lets pending window events run, so the window stays responsive inside long work.
// Callers must be safe against re-entry: a click can be handled in here.
namespace MessagePump {
void DoEvents();
// Pumps events for the given time (the splash's half-second pause).
void Sleep(int milliseconds);
} // namespace MessagePump
