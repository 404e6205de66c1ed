#include "net/PackageSignature.h"

#include "base/Seam.h"
#include "net/UpdateKeys.h"

#include <QIODevice>

#include <algorithm>

#include <sodium.h>

namespace {

const QByteArray kUntrusted("untrusted comment: ");
const QByteArray kTrusted("trusted comment: ");
const QByteArray kProduct("orlin-update");
const QByteArray kVersionKey("version=");
// minisign's algorithm tags: Ed25519 over the BLAKE2b-512 hash of the file ("ED"), or over
// the file itself ("Ed", the legacy form, which would need a whole package in memory).
const QByteArray kPrehashed("ED");
constexpr int kKeyIdBytes = 8;
constexpr int kHashBytes = 64;
// A version is a few characters; a longer "version" is no version of ours.
constexpr qsizetype kMaxVersionChars = 40;

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::optional<QByteArray> strictBase64(const QByteArray &line, qsizetype size)
{
    const auto decoded =
        QByteArray::fromBase64Encoding(line.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return std::nullopt;
    return decoded.decoded;
}

QString hexId(const QByteArray &keyId)
{
    // minisign shows key ids as the little-endian number they are.
    QByteArray reversed;
    for (auto it = keyId.crbegin(); it != keyId.crend(); ++it)
        reversed += *it;
    return QString::fromLatin1(reversed.toHex().toUpper());
}

bool verifyDetached(const QByteArray &signature, const QByteArray &message, const QByteArray &key)
{
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.data()),
                                       reinterpret_cast<const unsigned char *>(message.data()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char *>(key.data()))
        == 0;
}

// BLAKE2b-512 of everything the device holds from its start; nothing when it cannot be read.
std::optional<QByteArray> prehash(QIODevice &device)
{
    if (!device.isSequential() && !device.seek(0))
        return std::nullopt;
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kHashBytes);
    QByteArray block(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = device.read(block.data(), block.size());
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(block.data()),
                                  quint64(n));
    }
    QByteArray hash(kHashBytes, Qt::Uninitialized);
    crypto_generichash_final(&state, reinterpret_cast<unsigned char *>(hash.data()), kHashBytes);
    return hash;
}

} // namespace

namespace PackageSignature {

std::optional<PublicKey> ParsePublicKey(const QByteArray &text)
{
    QList<QByteArray> lines = text.trimmed().split('\n');
    if (lines.size() == 2 && lines.first().startsWith(kUntrusted))
        lines.removeFirst();
    if (lines.size() != 1)
        return std::nullopt;
    const std::optional<QByteArray> bytes = strictBase64(lines.first(), 2 + kKeyIdBytes + 32);
    if (!bytes || !bytes->startsWith("Ed"))
        return std::nullopt;
    return PublicKey { bytes->mid(2, kKeyIdBytes), bytes->mid(2 + kKeyIdBytes) };
}

QList<PublicKey> TrustedKeys()
{
    QList<QByteArray> lines = Seam::current<TrustedKeysSeam>();
    if (lines.isEmpty())
        lines = UpdateKeys::MakerKeys();
    QList<PublicKey> keys;
    for (const QByteArray &line : std::as_const(lines)) {
        if (const std::optional<PublicKey> key = ParsePublicKey(line))
            keys.append(*key);
    }
    return keys;
}

std::optional<Signature> ParseSignature(const QByteArray &text)
{
    if (text.size() > MaxSignatureBytes)
        return std::nullopt;
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    // Blank lines after the four are a file's last line end; anything else is not ours.
    while (lines.size() > 4 && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() != 4 || !lines.at(0).startsWith(kUntrusted)
        || !lines.at(2).startsWith(kTrusted))
        return std::nullopt;
    const std::optional<QByteArray> signature =
        strictBase64(lines.at(1), 2 + kKeyIdBytes + crypto_sign_BYTES);
    const std::optional<QByteArray> global = strictBase64(lines.at(3), crypto_sign_BYTES);
    if (!signature || !global || !signature->startsWith(kPrehashed))
        return std::nullopt;
    Signature parsed;
    parsed.keyId = signature->mid(2, kKeyIdBytes);
    parsed.signature = signature->mid(2 + kKeyIdBytes);
    parsed.trustedComment = lines.at(2).mid(kTrusted.size());
    parsed.globalSignature = *global;
    return parsed;
}

QByteArray CommentFor(const QString &version)
{
    return kProduct + ' ' + kVersionKey + version.toUtf8();
}

std::optional<QString> VersionOfComment(const QByteArray &comment)
{
    const QList<QByteArray> words = comment.split(' ');
    if (words.isEmpty() || words.first() != kProduct)
        return std::nullopt;
    for (const QByteArray &word : words) {
        if (!word.startsWith(kVersionKey))
            continue;
        const QByteArray value = word.mid(kVersionKey.size());
        if (value.isEmpty() || value.size() > kMaxVersionChars)
            return std::nullopt;
        for (const char c : value) {
            if (uchar(c) <= ' ' || uchar(c) >= 0x7f)
                return std::nullopt;
        }
        return QString::fromLatin1(value);
    }
    return std::nullopt;
}

Verdict Verify(QIODevice &package, const QByteArray &signatureText)
{
    Verdict verdict;
    if (!sodiumReady()) {
        verdict.reason = QStringLiteral("the signature library could not be started");
        return verdict;
    }
    const std::optional<Signature> signature = ParseSignature(signatureText);
    if (!signature) {
        verdict.reason = QStringLiteral("the signature file is no minisign signature of a "
                                        "package");
        return verdict;
    }
    const QList<PublicKey> keys = TrustedKeys();
    const auto key = std::find_if(keys.cbegin(), keys.cend(),
                                  [&](const PublicKey &k) { return k.keyId == signature->keyId; });
    if (key == keys.cend()) {
        verdict.reason =
            QStringLiteral("it is signed by the unknown key %1").arg(hexId(signature->keyId));
        return verdict;
    }
    if (!verifyDetached(signature->globalSignature,
                        signature->signature + signature->trustedComment, key->key)) {
        verdict.reason = QStringLiteral("its trusted comment is not the one signed");
        return verdict;
    }
    const std::optional<QString> version = VersionOfComment(signature->trustedComment);
    if (!version) {
        verdict.reason = QStringLiteral("its trusted comment names no version");
        return verdict;
    }
    const std::optional<QByteArray> hash = prehash(package);
    if (!hash) {
        verdict.reason = QStringLiteral("the package cannot be read");
        return verdict;
    }
    if (!verifyDetached(signature->signature, *hash, key->key)) {
        verdict.reason = QStringLiteral("the package does not match its signature");
        return verdict;
    }
    verdict.good = true;
    verdict.version = *version;
    return verdict;
}

} // namespace PackageSignature
