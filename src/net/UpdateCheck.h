#pragma once

#include "net/UpdateVersion.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class cSHAREDInternet;

// The update window's work without the window: one check against the maker's version
// file, the details file, and the package download with the rules that decide whether
// what arrived is a package the maker signed. The window (app/fSHAREDUpdater) shows what
// this says through Status and Progress and the Result of a check, and the busy pointer
// while a call runs.
//
// The maker's server is the product's web site (ProgramInfo::webSite); the setting
// "UpdateServer" names another one (a mirror, or a test's server) holding the same files.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    // The server's address without a trailing "/".
    static QString ServerAddress();
    static QString VersionFileUrl();
    static QString DetailsFileUrl();
    // The package's name in the program folder: a zip of the program folder's files.
    static QString PackageFileName();
    // Below this many bytes a download is no package.
    static constexpr qint64 MinimumPackageBytes = 25000;

    struct Result
    {
        // A newer version was found.
        bool found = false;
        // The result line for the window, and the status line ("" when none).
        QString resultLine;
        QString statusText;
    };

    // Fetches and reads the version file at UpdateURL and compares it with running.
    // Remembers the three names, the package address and its checksum.
    Result Check(const QString &UpdateURL, const QString &DetailsURL, const QString &UpdateFilename,
                 const VersionRecord &running);
    // The details file's text, or the message that it could not be read.
    QString Details();
    // Downloads url into folder/fileName, with its signature (url + ".minisig") beside it,
    // and keeps both only when the package is whole (the size announced, at least
    // MinimumPackageBytes, no error page, at most UpdateHandOff::MaxPackageBytes), the
    // maker's signature on it verifies and names the version the check compared, and it
    // matches the version file's checksum when that gave one. Both arrive under temporary
    // names; anything refused is erased and said through Status, and the files already
    // there stay as they were.
    bool DownloadFile(const QString &folder, const QString &fileName, const QString &url);
    // Abandons a transfer in progress (Exit during a check or a download).
    void Cancel();

    QString UpdateURL() const { return m_updateURL; }
    QString DetailsURL() const { return m_detailsURL; }
    QString UpdateFilename() const { return m_updateFilename; }
    // Line 2 of the last version file read, "@@@" replaced; empty until a check read one.
    QString DownloadURL() const { return m_downloadURL; }
    // The checksum the last version file gave for the package (lower-case hex), or empty.
    QString PackageSha256() const { return m_file.sha256; }
    // The version the last version file announced, as it was compared ("2.4.1b").
    QString AnnouncedVersion() const { return m_file.version.text(); }
    bool quiet() const { return m_quiet; }
    cSHAREDInternet &internet() { return *m_inet; }

signals:
    // A status text for the window's status strip.
    void Status(const QString &text);
    // The transfer's progress during a package download (never while quiet).
    void Progress(float Percent, const QString &Text);
    // A progress bar to draw as it is ("100%" when a download has arrived).
    void Bar(float Percent, const QString &Text);

private:
    // Downloads url to target, ending the transfer once more than maxBytes arrive or are
    // announced. False with reason (the transfer's own message where it gave one) when
    // nothing whole arrived; target is then gone.
    bool fetch(const QString &url, const QString &target, qint64 maxBytes, QString &reason);
    void inet_Progress(float Percent, const QString &Text);
    void refuse(const QString &target, const QString &status);
    bool keepSigned(const QString &package, const QString &signature);

    std::unique_ptr<cSHAREDInternet> m_inet;
    QString m_updateURL;
    QString m_detailsURL;
    QString m_updateFilename;
    QString m_downloadURL;
    VersionFile m_file;
    bool m_quiet = true;
    // The transfer under way in fetch: its target, its bound, whether it went past it, and
    // the last failure the transfer told.
    QString m_target;
    qint64 m_limit = 0;
    bool m_overLimit = false;
    QString m_transferError;
};

// The update window's failures are traced as "code - description", unlike the program's
// other entries, with the window's procedure names and the module "fSharedUpdater".
namespace UpdaterTrace {

QString module();
// Runs step; a failure becomes that trace entry. True when the step worked.
bool attempt(const QString &procedure, const std::function<void()> &step);

} // namespace UpdaterTrace
