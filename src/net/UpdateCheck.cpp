#include "net/UpdateCheck.h"

#include "base/Failure.h"
#include "base/PrivateFolder.h"
#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "documents/TextDecoding.h"
#include "net/InternetTransfer.h"
#include "net/PackageSignature.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateSchedule.h"
#include "net/cSHAREDInternet.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const QString kCheck = QStringLiteral("CheckForUpdate");

QString msg(const char *text)
{
    return Lang().GetTranslation(QString::fromUtf8(text));
}

bool isHttps(const QString &url)
{
    return url.trimmed().startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// Text from a server in the log: one bounded line.
QString logged(const QString &text)
{
    QString line = text.left(300);
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    return line;
}

QByteArray readBytes(const QString &path, qint64 max)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(max) : QByteArray();
}

} // namespace

namespace UpdaterTrace {

QString module()
{
    return QStringLiteral("fSharedUpdater");
}

bool attempt(const QString &procedure, const std::function<void()> &step)
{
    try {
        step();
        return true;
    } catch (const std::exception &e) {
        const Failure f = Trace::asFailure(e);
        Log().AddAction(QString::number(f.code()) + QStringLiteral(" - ") + f.description(),
                        procedure, module());
    }
    return false;
}

} // namespace UpdaterTrace

UpdateCheck::UpdateCheck(QObject *parent)
    : QObject(parent)
    , m_inet(std::make_unique<cSHAREDInternet>())
{
    connect(m_inet.get(), &cSHAREDInternet::Progress, this, &UpdateCheck::inet_Progress);
    connect(&m_inet->transfer(), &InternetTransfer::DownloadError, this,
            [this](const QString &message) { m_transferError = message; });
}

void UpdateCheck::inet_Progress(float Percent, const QString &Text)
{
    // A server that sends more than it may is cut off while it sends, not afterwards.
    if (m_limit > 0 && !m_overLimit
        && (m_inet->ExpectedFilesize() > m_limit || QFileInfo(m_target).size() > m_limit)) {
        m_overLimit = true;
        m_inet->Cancel();
        return;
    }
    if (!m_quiet)
        emit Progress(Percent, Text);
}

bool UpdateCheck::fetch(const QString &url, const QString &target, qint64 maxBytes, QString &reason)
{
    m_target = target;
    m_limit = maxBytes;
    m_overLimit = false;
    m_transferError.clear();
    bool ok = m_inet->GetFile(url, target, true, false, false, false);
    const qint64 size = QFileInfo(target).size();
    const qint64 expected = m_inet->ExpectedFilesize();
    m_limit = 0;
    if (ok && (m_overLimit || size > maxBytes)) {
        m_overLimit = true;
        ok = false;
    }
    if (m_overLimit)
        reason = msg("The server sent more than %1 bytes for %2.").arg(maxBytes).arg(url);
    else if (ok && expected > 0 && size != expected)
        reason = msg("Downloaded file is incomplete. Please retry");
    else if (!ok)
        reason =
            m_transferError.isEmpty() ? msg("Download failed. Please try again.") : m_transferError;
    if (!reason.isEmpty()) {
        cSharedFileSubs::EraseFile(target);
        return false;
    }
    return true;
}

UpdateCheck::~UpdateCheck() = default;

QString UpdateCheck::ServerAddress()
{
    QString server =
        Settings().sGet(QStringLiteral("UpdateServer"), QString()).toString().trimmed();
    if (server.isEmpty())
        server = ProgramInfo::webSite();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server;
}

QString UpdateCheck::VersionFileUrl()
{
    return ServerAddress() + QStringLiteral("/versions/ORL1_current.txt");
}

QString UpdateCheck::DetailsFileUrl()
{
    return ServerAddress() + QStringLiteral("/versions/ORL1_details.txt");
}

QString UpdateCheck::PackageFileName()
{
    return QStringLiteral("OrlinUpd.zip");
}

UpdateCheck::Result UpdateCheck::Check(const QString &UpdateURL, const QString &DetailsURL,
                                       const QString &UpdateFilename, const VersionRecord &running)
{
    Result result;
    UpdaterTrace::attempt(kCheck, [&] {
        if (m_inet->transfer().Running())
            m_inet->Cancel();
    });
    m_updateURL = UpdateURL;
    m_detailsURL = DetailsURL;
    m_updateFilename = UpdateFilename;
    emit Status(msg("Checking for update"));

    // A version file that did not arrive whole is no answer: the transfer says why.
    QString text;
    QString failure;
    UpdaterTrace::attempt(kCheck, [&] {
        m_inet->ApplyProxy();
        m_quiet = true;
        const QTemporaryDir scratch(PrivateFolder::forPassingFiles()
                                    + QStringLiteral("/update-XXXXXX"));
        if (!scratch.isValid())
            throw Failure(FailureCode::PathFileAccess, scratch.errorString());
        const QString target = scratch.filePath(QStringLiteral("version.txt"));
        if (fetch(UpdateURL, target, UpdateVersion::MaxVersionFileBytes, failure))
            text = TextDecoding::decodeDocument(
                readBytes(target, UpdateVersion::MaxVersionFileBytes + 1));
    });
    const QString site = ProgramInfo::webSite();
    // The transfer fails on an error status; an error page is still turned away here.
    if (failure.isEmpty()
        && (text.trimmed().isEmpty() || text.contains(QLatin1String("<HTML"), Qt::CaseInsensitive)))
        failure = msg("The server sent no version file.");
    if (!failure.isEmpty()) {
        Log().LogEvent(QStringLiteral("Update check failed: ") + logged(failure), false);
        Log().AddAction(QStringLiteral("Could not retrieve information from the update server: ")
                            + logged(failure),
                        kCheck, UpdaterTrace::module());
        Log().AddAction(QStringLiteral("Please visit ") + site
                            + QStringLiteral(" to see if an update is available."),
                        kCheck, UpdaterTrace::module());
        result.resultLine = msg("Could not retrieve update status");
        // The reason goes in brackets, without a full stop of its own.
        if (failure.endsWith(QLatin1Char('.')))
            failure.chop(1);
        result.statusText = msg("Update check failed (%1). Visit %2 to update this program "
                                "manually.")
                                .arg(failure, site);
        return result;
    }

    emit Status(msg("Data retrieved"));
    VersionFile file;
    const bool read = UpdateVersion::ExtractVersionFromWebFile(text, file);
    // A first line that is no version would otherwise read as 0.0.0, "up to date".
    if (!read || file.DownloadURL.isEmpty()) {
        m_downloadURL.clear();
        m_file = VersionFile();
        result.resultLine = msg("Could not read update status from file");
        result.statusText = msg("Update check failed, could not read download filename");
        return result;
    }
    m_file = file;
    m_downloadURL = file.DownloadURL;
    const QString latest = file.version.text().toUpper();

    if (UpdateVersion::IsNewer(file.version, running)) {
        UpdaterTrace::attempt(kCheck, [] { UpdateSchedule::SaveFoundDate(); });
        Log().LogEvent(QStringLiteral("Update available (version ") + latest + QLatin1Char(')'),
                       false);
        result.found = true;
        result.resultLine = msg("Version %1 is available!").arg(latest);
        return result;
    }
    UpdaterTrace::attempt(kCheck, [] { UpdateSchedule::SaveLastCheckDate(); });
    Log().LogEvent(QStringLiteral("Already up to date (Available version is ") + latest
                       + QLatin1Char(')'),
                   false);
    result.resultLine = msg("You're up to date!");
    result.statusText = msg("Latest available version is %1").arg(latest);
    return result;
}

QString UpdateCheck::Details()
{
    QString text;
    UpdaterTrace::attempt(QStringLiteral("cmdShowDetail_Click"), [&] {
        m_inet->ApplyProxy();
        m_quiet = true;
        text = m_inet->OpenURL(m_detailsURL, false);
    });
    if (text.contains(QLatin1String("html"), Qt::CaseInsensitive)
        && text.contains(QLatin1String("404")))
        return msg("Unable to read data from server. Please check your internet settings and "
                   "try again.");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // Notes on a version, not a book.
    constexpr qsizetype kMaxDetailsChars = 64 * 1024;
    return text.left(kMaxDetailsChars);
}

void UpdateCheck::refuse(const QString &target, const QString &status)
{
    cSharedFileSubs::EraseFile(target);
    emit Status(status);
}

bool UpdateCheck::DownloadFile(const QString &folder, const QString &fileName, const QString &url)
{
    bool downloaded = false;
    UpdaterTrace::attempt(QStringLiteral("DownloadFile"), [&] {
        m_quiet = false;
        m_inet->ApplyProxy();
        Log().LogEvent(QStringLiteral("Trying to download ") + logged(url), false);
        const QString target = UpdateHandOff::PathIn(folder, fileName);
        const QString signature =
            UpdateHandOff::PathIn(folder, UpdateHandOff::SignatureFileName(fileName));
        // Both arrive under names of their own; what was there stays until both are good.
        const QString partial = target + QStringLiteral(".download");
        const QString partialSignature = signature + QStringLiteral(".download");
        // A check made over a secure connection vouches only for a package that comes
        // over one too.
        if (isHttps(m_updateURL) && !isHttps(url)) {
            Log().LogEvent(QStringLiteral("Update package refused: its address is not https"),
                           false);
            emit Status(msg("Error - The update package must come over a secure connection "
                            "(https)."));
            return;
        }
        QString reason;
        // The signature first: without one the package is not worth fetching.
        if (!fetch(url + QStringLiteral(".minisig"), partialSignature,
                   PackageSignature::MaxSignatureBytes, reason)) {
            Log().LogEvent(QStringLiteral("Update package refused: no signature (") + logged(reason)
                               + QLatin1Char(')'),
                           false);
            emit Status(msg("This update is not signed by the maker; download it from %1")
                            .arg(ProgramInfo::webSite()));
            return;
        }
        if (!fetch(url, partial, UpdateHandOff::MaxPackageBytes, reason)) {
            cSharedFileSubs::EraseFile(partialSignature);
            emit Status(msg("Error - Download failed: %1").arg(reason));
            return;
        }
        emit Bar(100, QStringLiteral("100%"));
        if (QFileInfo(partial).size() < MinimumPackageBytes) {
            cSharedFileSubs::EraseFile(partialSignature);
            QString text;
            cSharedFileSubs::LoadTextFile(partial, text);
            // Erased either way: a file this small is no package, and the installer must
            // never find it.
            if (text.contains(QLatin1String("<HTML"), Qt::CaseInsensitive))
                refuse(partial, msg("Error - File not found on server."));
            else
                refuse(partial,
                       msg("Error - The downloaded file is too small to be an update "
                           "package."));
            return;
        }
        if (!keepSigned(partial, partialSignature))
            return;
        if (::rename(QFile::encodeName(partialSignature).constData(),
                     QFile::encodeName(signature).constData())
                != 0
            || ::rename(QFile::encodeName(partial).constData(),
                        QFile::encodeName(target).constData())
                != 0) {
            const QString error = QString::fromLocal8Bit(std::strerror(errno));
            cSharedFileSubs::EraseFile(partialSignature);
            refuse(partial,
                   msg("Error - The update package cannot be saved to %1: %2")
                       .arg(QDir::toNativeSeparators(target), error));
            return;
        }
        downloaded = true;
    });
    return downloaded;
}

bool UpdateCheck::keepSigned(const QString &package, const QString &signature)
{
    QFile file(package);
    PackageSignature::Verdict verdict;
    if (file.open(QIODevice::ReadOnly))
        verdict = PackageSignature::Verify(
            file, readBytes(signature, PackageSignature::MaxSignatureBytes + 1));
    else
        verdict.reason = file.errorString();
    VersionRecord signedVersion;
    // Signed for another version than the one compared: an old package offered as new.
    if (verdict.good
        && (!UpdateVersion::ExtractVersionFromAppVer(verdict.version, signedVersion)
            || signedVersion != m_file.version)) {
        verdict.good = false;
        verdict.reason = QStringLiteral("it is signed as version %1, not %2")
                             .arg(verdict.version, m_file.version.text());
    }
    QString status;
    if (!verdict.good) {
        Log().LogEvent(QStringLiteral("Update package refused: ") + verdict.reason, false);
        status = msg("This update is not signed by the maker; download it from %1")
                     .arg(ProgramInfo::webSite());
    } else if (m_file.hasChecksum) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.seek(0) || !hash.addData(&file)
            || QString::fromLatin1(hash.result().toHex()) != m_file.sha256) {
            Log().LogEvent(QStringLiteral("Update package refused: its checksum does not match"),
                           false);
            status = msg("Error - The downloaded file does not match its checksum and was "
                         "deleted.");
        }
    }
    file.close();
    if (status.isEmpty())
        return true;
    cSharedFileSubs::EraseFile(signature);
    refuse(package, status);
    return false;
}

void UpdateCheck::Cancel()
{
    UpdaterTrace::attempt(QStringLiteral("CloseUpdater"), [&] {
        if (m_inet->transfer().Running())
            m_inet->Cancel();
    });
}
