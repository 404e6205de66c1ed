#pragma once

#include <QString>
#include <functional>

// Tells the user about a failure they must know about (cSHAREDShowError::ShowErr): the
// error report window the program installs through ShowErrSeam, else a plain modal
// message through MessageBoxes, so tests can answer it.
void ShowErr(const QString &ErrorMessage, const QString &HelpPage = {});

// Who shows ShowErr's failures (see base/Seam.h). Empty: the critical message box.
struct ShowErrSeam
{
    using Type = std::function<void(const QString &ErrorMessage, const QString &HelpPage)>;
};
