#pragma once

#include <QString>

// Tells the user about a failure they must know about. For now a plain modal
// message through MessageBoxes (so tests can answer it); the help page is kept
// for the full error-report window.
void ShowErr(const QString &ErrorMessage, const QString &HelpPage = {});
