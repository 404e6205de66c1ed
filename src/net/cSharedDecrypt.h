#pragma once

#include <QString>

// Undoes cSharedEncrypt. A stored value whose first character has a code of 128 or
// less was stored in plain and comes back unchanged.
class cSharedDecrypt
{
public:
    QString Decrypt(const QString &StringToDecrypt);

    // The process-wide instance, created on first use.
    static cSharedDecrypt &instance();
};
