#pragma once

#include <QString>
#include <exception>

// The process-wide way to tell the user about a failure they must know about: the program
// installs its error report window behind ShowErrSeam (base/ShowErr.h) at start; without one
// (a command-line tool, a test that did not ask for the window) a critical message box says
// it. Nothing here fails to its caller: a failure while reporting is a trace entry.
class cSHAREDShowError
{
public:
    void ShowErr(const QString &ErrorMessage, const QString &HelpPage = {});
    // "Error <code> - <description> in <vSubname> of <vModule>", then as ShowErr.
    void ShowErrObj(const std::exception &oErr, const QString &vSubname, const QString &vModule,
                    const QString &HelpPage = {});

    static cSHAREDShowError &instance();
};
