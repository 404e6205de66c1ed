#pragma once

#include <QString>
#include <functional>

// Tells the user about a failure they must know about. Until a window of its own takes
// over (installed through ShowErrSeam), a plain modal message through MessageBoxes, so
// tests can answer it; the help page is kept for that window.
void ShowErr(const QString &ErrorMessage, const QString &HelpPage = {});

// Who shows ShowErr's failures (see base/Seam.h). Empty: the critical message box.
struct ShowErrSeam
{
    using Type = std::function<void(const QString &ErrorMessage, const QString &HelpPage)>;
};
