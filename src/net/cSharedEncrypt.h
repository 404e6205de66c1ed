#pragma once

#include <QString>

// Scrambles the proxy password for the settings file: the text's named-entity form
// (cSharedHTML::CharToHtml) with every character moved 100 places up the Windows-1252
// code page. The form is fixed: settings files move between installations, and any
// reader of it takes the password back by moving down and reading the entities.
class cSharedEncrypt
{
public:
    // What the form would not bring back as typed is written as an entity too: an "&"
    // that starts an entity's name ("&lt;" typed), a character the move would take past
    // the code page (such as "ß" or "œ"), one outside it that has a name ("π"), and a
    // first character that the move would leave at code 128 or below, where Decrypt sees
    // a password stored in plain (a leading tab). Throws Failure 5 for a character with no
    // way back: NUL, or one outside the code page without a name.
    QString Encrypt(const QString &StringToEnCrypt);

    // The process-wide instance, created on first use.
    static cSharedEncrypt &instance();
};
