#include "support/UpdateSigning.h"

#include "net/PackageSignature.h"

#include <sodium.h>

SigningKey::SigningKey(quint8 seed, const char *keyId)
    : m_keyId(keyId, 8)
    , m_public(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized)
    , m_secret(crypto_sign_SECRETKEYBYTES, Qt::Uninitialized)
{
    if (sodium_init() < 0)
        qFatal("libsodium cannot start");
    QByteArray seedBytes(crypto_sign_SEEDBYTES, char(seed));
    crypto_sign_seed_keypair(reinterpret_cast<unsigned char *>(m_public.data()),
                             reinterpret_cast<unsigned char *>(m_secret.data()),
                             reinterpret_cast<const unsigned char *>(seedBytes.constData()));
}

SigningKey SigningKey::tests()
{
    return SigningKey(7, "ORLNTEST");
}

SigningKey SigningKey::stranger()
{
    return SigningKey(9, "STRANGER");
}

QByteArray SigningKey::publicKeyLine() const
{
    return (QByteArray("Ed") + m_keyId + m_public).toBase64();
}

namespace {

QByteArray detached(const QByteArray &message, const QByteArray &secret)
{
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(message.constData()),
                         quint64(message.size()),
                         reinterpret_cast<const unsigned char *>(secret.constData()));
    return signature;
}

} // namespace

QByteArray SigningKey::sign(const QByteArray &bytes, const QByteArray &trustedComment) const
{
    QByteArray hash(crypto_generichash_BYTES_MAX, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char *>(hash.data()), hash.size(),
                       reinterpret_cast<const unsigned char *>(bytes.constData()),
                       quint64(bytes.size()), nullptr, 0);
    const QByteArray signature = detached(hash, m_secret);
    const QByteArray global = detached(signature + trustedComment, m_secret);
    return "untrusted comment: signature from the tests' key\n"
        + (QByteArray("ED") + m_keyId + signature).toBase64()
        + "\ntrusted comment: " + trustedComment + '\n' + global.toBase64() + '\n';
}

QByteArray SigningKey::signVersion(const QByteArray &bytes, const QString &version) const
{
    return sign(bytes, PackageSignature::CommentFor(version));
}
