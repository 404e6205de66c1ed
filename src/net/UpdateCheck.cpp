#include "net/UpdateCheck.h"

#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "net/InternetTransfer.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateSchedule.h"
#include "net/cSHAREDInternet.h"
#include "ui/MousePointer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    connect(m_inet.get(), &cSHAREDInternet::Progress, this,
            [this](float percent, const QString &text) {
                if (!m_quiet)
                    emit Progress(percent, text);
            });
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

    QString text;
    UpdaterTrace::attempt(kCheck, [&] {
        m_inet->ApplyProxy();
        m_quiet = true;
        text = m_inet->OpenURL(UpdateURL, false);
    });
    const QString site = ProgramInfo::webSite();
    if (text.trimmed().isEmpty() || text.contains(QLatin1String("<HTML"), Qt::CaseInsensitive)) {
        Log().AddAction(QStringLiteral("Could not retrieve information from the update server."),
                        kCheck, UpdaterTrace::module());
        Log().AddAction(QStringLiteral("Please visit ") + site
                            + QStringLiteral(" to see if an update is available."),
                        kCheck, UpdaterTrace::module());
        result.resultLine = msg("Could not retrieve update status");
        result.statusText =
            msg("Update check failed. Visit %1 to update this program manually.").arg(site);
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
    return text;
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
        MousePointer::BusyMouse();
        Log().LogEvent(QStringLiteral("Trying to download ") + url, false);
        const QString target = QDir(folder).filePath(fileName);
        // A check made over a secure connection vouches only for a package that comes
        // over one too.
        if (isHttps(m_updateURL) && !isHttps(url)) {
            Log().LogEvent(QStringLiteral("Update package refused: its address is not https"),
                           false);
            emit Status(msg("Error - The update package must come over a secure connection "
                            "(https)."));
            return;
        }
        if (!m_inet->GetFile(url, target, true, false, false, false)) {
            refuse(target, msg("Error - Download failed."));
            return;
        }
        emit Bar(100, QStringLiteral("100%"));
        const qint64 size = QFileInfo(target).size();
        const qint64 expected = m_inet->ExpectedFilesize();
        if (expected > 0 && size != expected) {
            refuse(target, msg("Error - Downloaded file is incomplete. Please retry"));
            return;
        }
        if (size < MinimumPackageBytes) {
            QString text;
            cSharedFileSubs::LoadTextFile(target, text);
            // Erased either way: a file this small is no package, and the installer must
            // never find it.
            if (text.contains(QLatin1String("<HTML"), Qt::CaseInsensitive))
                refuse(target, msg("Error - File not found on server."));
            else
                refuse(target,
                       msg("Error - The downloaded file is too small to be an update "
                           "package."));
            return;
        }
        if (m_file.hasChecksum && UpdateHandOff::Sha256OfFile(target) != m_file.sha256) {
            Log().LogEvent(QStringLiteral("Update package refused: its checksum does not match"),
                           false);
            refuse(target,
                   msg("Error - The downloaded file does not match its checksum and "
                       "was deleted."));
            return;
        }
        downloaded = true;
    });
    MousePointer::NormalMouse();
    return downloaded;
}

void UpdateCheck::Cancel()
{
    UpdaterTrace::attempt(QStringLiteral("CloseUpdater"), [&] {
        if (m_inet->transfer().Running())
            m_inet->Cancel();
    });
}
