#pragma once

#include <QString>

// Scrambles the proxy password for the settings file: the text's named-entity form
// (cSharedHTML::CharToHtml) with every character moved 100 places up the Windows-1252
// code page. The form is fixed: settings files move between installations.
class cSharedEncrypt
{
public:
    // Throws Failure 5 when a character cannot be moved: one the code page does not
    // hold, or one above code 155 that the entity form leaves as it is.
    QString Encrypt(const QString &StringToEnCrypt);

    // The process-wide instance, created on first use.
    static cSharedEncrypt &instance();
};
