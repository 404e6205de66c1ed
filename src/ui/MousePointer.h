#pragma once

// The busy and normal mouse pointers, one override cursor for the whole program.
// Busy twice then normal once leaves the normal pointer: the pointer is a state,
// not a stack, as every caller expects.
namespace MousePointer {
void BusyMouse();
// The pointer that says "working, but you can still click" (reading in the background).
void BackgroundBusyMouse();
void NormalMouse();
bool isBusy();
} // namespace MousePointer
