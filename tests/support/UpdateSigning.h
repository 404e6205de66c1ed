#pragma once

#include <QByteArray>
#include <QString>

// Signs update packages the way the maker's release script does (minisign's prehashed
// Ed25519 format), with keys made from fixed seeds, so tests need no key files. The tests'
// key is the one the update tests' own programs (test-bin/) and TrustedKeys scopes trust.
class SigningKey
{
public:
    // The key test-bin/ programs trust.
    static SigningKey tests();
    // A key nobody trusts.
    static SigningKey stranger();

    // The base64 line of the public key's ".pub" file.
    QByteArray publicKeyLine() const;
    // A whole ".minisig" file for bytes, with this trusted comment.
    QByteArray sign(const QByteArray &bytes, const QByteArray &trustedComment) const;
    // The same with the comment that names version, as the release script writes it.
    QByteArray signVersion(const QByteArray &bytes, const QString &version) const;

private:
    SigningKey(quint8 seed, const char *keyId);
    QByteArray m_keyId;
    QByteArray m_public;
    QByteArray m_secret;
};
