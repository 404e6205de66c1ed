#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QIODevice;

// The maker's signature on an update package, in the minisign format: Ed25519 over the
// BLAKE2b-512 hash of the package (minisign's default "ED" form), and a second Ed25519
// signature over that signature and the trusted comment. The trusted comment names the
// version the package is ("orlin-update version=2.4.1b"), so a package signed for an
// older version cannot be offered as a newer one. The signature file is the package's
// address with ".minisig" appended.
//
// Only keys compiled into the program are trusted (UpdateKeys); tests replace them through
// TrustedKeysSeam (base/Seam.h), which nothing in the settings or on the command line
// reaches.
namespace PackageSignature {

// A minisign public key: its 8-byte id and the 32-byte Ed25519 key.
struct PublicKey
{
    QByteArray keyId;
    QByteArray key;
};

// A parsed signature file; nothing in it is trusted before Verify.
struct Signature
{
    QByteArray keyId;
    QByteArray signature;
    QByteArray trustedComment;
    QByteArray globalSignature;
};

// A signature file is a few lines: anything larger is no signature.
constexpr qint64 MaxSignatureBytes = 4096;

// The public keys Verify trusts, as minisign writes them (the base64 line of a ".pub" file).
// Empty: the maker's keys compiled into the program.
struct TrustedKeysSeam
{
    using Type = QList<QByteArray>;
};
QList<PublicKey> TrustedKeys();

// A public key from its base64 line, or from a whole ".pub" file (comment line first).
std::optional<PublicKey> ParsePublicKey(const QByteArray &text);
// A signature file: "untrusted comment: ...", the signature's base64 line, "trusted
// comment: ...", the global signature's base64 line; CR LF or LF. Nothing when the text
// is not exactly that, is too large, or is in the legacy (not prehashed) form.
std::optional<Signature> ParseSignature(const QByteArray &text);

// The trusted comment for a package of this version, and the version such a comment names
// (nothing when it names none or is not one of ours).
QByteArray CommentFor(const QString &version);
std::optional<QString> VersionOfComment(const QByteArray &comment);

struct Verdict
{
    bool good = false;
    // The version the trusted comment names (set only when good).
    QString version;
    // Why it failed, in English, for the log.
    QString reason;
};

// Checks that package (read from its start to its end, nothing else) carries the signature
// in signatureText made by a trusted key, and that the trusted comment names a version.
Verdict Verify(QIODevice &package, const QByteArray &signatureText);

} // namespace PackageSignature
