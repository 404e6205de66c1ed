// The files an update brings from outside: the version file, the package's signature file,
// updater.ini and the swap journal. Each parser must stay within its bounds, and whatever it
// accepts must be safe to use: a version shown is the version compared, a name joined to the
// program folder stays a file in it, a journal names only paths inside the folder.
#include "net/PackageSignature.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateJournal.h"
#include "net/UpdateVersion.h"

#include <QBuffer>
#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool staysIn(const QString &folder, const QString &relative)
{
    const QString joined = UpdateHandOff::PathIn(folder, relative);
    return QDir::cleanPath(joined).startsWith(folder + QLatin1Char('/'))
        && !QDir::isAbsolutePath(relative) && !relative.startsWith(QLatin1Char(':'));
}

void versionFile(const QString &text)
{
    VersionFile file;
    if (!UpdateVersion::ExtractVersionFromWebFile(text, file))
        return;
    const QString shown = file.version.text();
    check(shown.size() <= UpdateVersion::MaxVersionLineChars + 20);
    VersionRecord again;
    check(UpdateVersion::ExtractVersionFromAppVer(shown, again) && again == file.version);
    check(file.DownloadURL.size() <= UpdateVersion::MaxAddressChars);
}

void handOff(const QString &text)
{
    const std::optional<UpdateHandOff::HandOff> read = UpdateHandOff::ParseHandOff(text);
    if (!read)
        return;
    check(UpdateHandOff::IsPlainName(read->packageName));
    check(staysIn(QStringLiteral("/prog"), read->packageName));
    check(staysIn(QStringLiteral("/prog"), UpdateHandOff::SignatureFileName(read->packageName)));
}

void signature(const QByteArray &bytes)
{
    if (const std::optional<PackageSignature::Signature> s =
            PackageSignature::ParseSignature(bytes)) {
        check(s->keyId.size() == 8 && s->signature.size() == 64 && s->globalSignature.size() == 64);
        check(!s->trustedComment.contains('\n'));
    }
    if (const std::optional<QString> v = PackageSignature::VersionOfComment(bytes))
        check(!v->isEmpty() && v->size() <= 40 && !v->contains(QLatin1Char(' ')));
    // No key made this: whatever the bytes, nothing verifies.
    QBuffer package;
    package.setData(bytes);
    package.open(QIODevice::ReadOnly);
    check(!PackageSignature::Verify(package, bytes).good);
}

void journal(const QByteArray &bytes)
{
    const std::optional<UpdateJournal::Plan> plan = UpdateJournal::Parse(bytes);
    if (!plan)
        return;
    const QString folder = QStringLiteral("/prog");
    check(staysIn(folder, plan->staging) && staysIn(folder, plan->backup));
    check(plan->stagingRoot.isEmpty() || staysIn(folder, plan->stagingRoot));
    for (const QString &created : plan->createdFolders)
        check(staysIn(folder, created));
    for (const UpdateJournal::Move &move : plan->moves)
        check(staysIn(folder, move.relative));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    versionFile(text);
    handOff(text);
    signature(bytes);
    journal(bytes);
    return 0;
}
