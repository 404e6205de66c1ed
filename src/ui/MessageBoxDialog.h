#pragma once

#include "ui/MessageBoxes.h"

// The real message box behind MessageBoxes: a modal QMessageBox with the message's icon,
// title, text and buttons.
namespace MessageBoxDialog {

// Shows the message modally and returns the button pressed.
int exec(const MessageBoxes::Message &message);

// Makes every MessageBoxes::show in the program a real box (the program's start-up).
void install();

} // namespace MessageBoxDialog
