#include "library/GutBookDownload.h"

#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "library/BackgroundJob.h"
#include "library/GutBookInfo.h"
#include "library/GutLibrarySettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kModule = QStringLiteral("frmGUT");
// Linux file systems take 255 bytes a name; the title gives way, not the file's root.
constexpr qsizetype kMaxNameBytes = 240;

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromUtf8(english));
}

bool isHtml(const QString &name)
{
    const QString ext = cSharedFileSubs::ExtOnly(name).toLower();
    return ext == QLatin1String("htm") || ext == QLatin1String("html");
}

bool isText(const QString &name)
{
    return cSharedFileSubs::ExtOnly(name).compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

// A name from the server that cannot be a file in the book folder.
bool unusableFileName(const QString &name)
{
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QChar(0));
}

// rename() replaces an existing file in one step: the old book is there until the
// new one is.
bool replaceFile(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QString withSeparator(QString folder)
{
    if (!folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += QDir::separator();
    return folder;
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024LL * 1024 * 1024)
        return QStringLiteral("%1 GB").arg(double(bytes) / (1024.0 * 1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024), 0, 'f', 1);
}

// A folder of its own for an unpacked HTML book, named after it: "<title> - 12345-h",
// or with " (2)", " (3)", ... when that name is taken. Made empty here, so nothing of
// the user's is ever under it.
QString freshFolder(const QString &bookFolder, const QString &name)
{
    for (int n = 1; n < 1000; ++n) {
        const QString candidate =
            QDir(bookFolder).filePath(n == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(n));
        if (::mkdir(QFile::encodeName(candidate).constData(), 0777) == 0)
            return candidate;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

// A hidden folder of a name nobody has, with the user's usual permissions.
QString uniqueFolder(const QString &parent)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = QDir(parent).filePath(
            QStringLiteral(".orlin-unpack-%1")
                .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        if (::mkdir(QFile::encodeName(candidate).constData(), 0777) == 0)
            return candidate;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

} // namespace

GutBookDownload::GutBookDownload(QString programFolder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(programFolder))
    , m_job(std::make_unique<BackgroundJob>())
{
}

GutBookDownload::~GutBookDownload() = default;

void GutBookDownload::ResolveWildcard(QString &fileName, QString &url, const QString &gutFilesText)
{
    if (!fileName.contains(u'?') || fileName.size() < 2)
        return;
    const QString rest = fileName.mid(1);
    qsizetype from = gutFilesText.size();
    // The last listed file that ends in the rest of the name; the character before it
    // is what "?" stood for (never a separator or a line end).
    while (from > 0) {
        const qsizetype h = gutFilesText.lastIndexOf(rest, from - 1);
        if (h <= 0)
            return;
        const qsizetype after = h + rest.size();
        const QChar c = gutFilesText.at(h - 1);
        const bool endsLine = after == gutFilesText.size() || gutFilesText.at(after) == u'\r'
            || gutFilesText.at(after) == u'\n';
        if (endsLine && c != u'/' && c != u'\\' && c != u'\n' && c != u'\r' && c != u'?') {
            const QString old = fileName;
            fileName.replace(u'?', c);
            url.replace(old, fileName);
            return;
        }
        from = h;
    }
}

QString GutBookDownload::SaveName(const QString &title, const QString &fileName)
{
    QString clean = title;
    cSharedFileSubs::CleanString(clean);
    // A leading dot would hide the book from file dialogs.
    while (clean.startsWith(u'.'))
        clean = clean.mid(1).trimmed();
    const QString ext =
        isHtml(fileName) ? u'.' + cSharedFileSubs::ExtOnly(fileName) : QStringLiteral(".txt");
    const QString tail = QStringLiteral(" - ") + cSharedFileSubs::Fileroot(fileName) + ext;
    while (!clean.isEmpty() && (clean + tail).toUtf8().size() > kMaxNameBytes) {
        clean.chop(clean.size() >= 2 && clean.at(clean.size() - 1).isLowSurrogate() ? 2 : 1);
        clean = clean.trimmed();
    }
    return clean + tail;
}

int GutBookDownload::ChooseBookFile(const QStringList &files, const QList<qint64> &sizes,
                                    const QString &archiveName)
{
    const QString root = cSharedFileSubs::Fileroot(cSharedFileSubs::FileOnly(archiveName));
    for (const auto wanted : { &isText, &isHtml }) {
        int best = -1;
        for (int i = 0; i < files.size(); ++i) {
            const QString name = cSharedFileSubs::FileOnly(files.at(i));
            if (!wanted(name))
                continue;
            if (cSharedFileSubs::Fileroot(name).compare(root, Qt::CaseInsensitive) == 0)
                return i;
            if (best < 0 || sizes.value(i) > sizes.value(best))
                best = i;
        }
        if (best >= 0)
            return best;
    }
    return -1;
}

GutBookPrepared GutBookDownload::Prepare(const GutBookInfo &shown, const QString &downloadPathText,
                                         bool readAfter, const QString &gutFilesText) const
{
    GutBookPrepared p;
    if (shown.url.isEmpty() || shown.url == QLatin1String("-")) {
        p.message = translated("Please select a book from the list first");
        return p;
    }
    const QString defaultFolder = GutLibrarySettings::DefaultBookFolder(m_folder);
    QString folder = downloadPathText.trimmed();
    if (folder.isEmpty())
        folder = defaultFolder;
    folder = withSeparator(folder);
    p.downloadPath = folder;
    // A book archive unpacked there could replace the program's own files.
    if (GutLibrarySettings::IsProgramFolder(folder, m_folder)) {
        p.message = translated("Books cannot be saved in the program folder. Please choose "
                               "another folder for them.");
        return p;
    }
    if (QDir::cleanPath(folder) == QDir::cleanPath(defaultFolder))
        QDir().mkpath(folder);
    if (!cSharedFileSubs::FolderExists(folder)) {
        p.message = translated("Invalid output folder. Please fix it.");
        return p;
    }
    QString fileName = shown.fileName;
    QString url = shown.url;
    ResolveWildcard(fileName, url, gutFilesText);
    if (unusableFileName(fileName)) {
        p.message = translated("The address of this book has no usable file name.");
        return p;
    }
    GutBookRequest &r = p.request;
    r.fileName = fileName;
    r.bookFolder = folder;
    r.title = shown.title;
    r.saveName = SaveName(shown.title, fileName);
    r.readAfter = readAfter;
    // The extension decides: "x.zip.txt" is a text, not an archive.
    r.archive =
        cSharedFileSubs::ExtOnly(fileName).compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0;
    r.transfer.url = url;
    r.transfer.localFolder = folder;
    // Hidden until it has been checked: a user's own file of the server's name is never
    // touched.
    r.transfer.localFile = folder + u'.' + fileName + QStringLiteral(".download");
    r.transfer.maxBytes = MaxBookBytes;
    return p;
}

bool GutBookDownload::isBusy() const
{
    return m_job->isRunning();
}

void GutBookDownload::Cancel()
{
    m_job->cancel();
}

GutBookDownload::Unpacked GutBookDownload::UnzipBook(const GutBookRequest &request,
                                                     const std::atomic<bool> *cancel,
                                                     const PasswordFn &password,
                                                     const cSHAREDUnzip2::Limits &limits)
{
    Unpacked result;
    result.limits = limits;
    const QString archive = request.transfer.localFile;
    // Everything lands in a hidden folder of its own first; only the book leaves it.
    const QString unpackFolder = uniqueFolder(request.bookFolder);
    if (unpackFolder.isEmpty()) {
        const int err = errno;
        result.problem = cSHAREDUnzip2::Problem::Other;
        result.failures.append(Failure(failureCodeFromErrno(err),
                                       QString::fromLocal8Bit(std::strerror(err)),
                                       request.bookFolder));
        QFile::remove(archive);
        return result;
    }
    {
        cSHAREDUnzip2 unzip;
        unzip.setTraceFailures(false);
        unzip.setCancelFlag(cancel);
        unzip.setLimits(limits);
        unzip.setZipfile(archive);
        unzip.setOverwriteExisting(false);
        unzip.setUnzipFolder(unpackFolder);
        unzip.setUseFolderNames(true);
        if (password)
            QObject::connect(&unzip, &cSHAREDUnzip2::PasswordRequest, &unzip, password,
                             Qt::DirectConnection);
        const bool ok = unzip.Unzip();
        result.problem = unzip.LastProblem();
        result.neededBytes = unzip.NeededBytes();
        result.freeBytes = unzip.FreeBytes();
        result.failures = unzip.Failures();
        const QStringList files = unzip.ExtractedFiles();
        QList<qint64> sizes;
        for (const QString &f : files)
            sizes.append(QFileInfo(f).size());
        const int chosen = ok ? ChooseBookFile(files, sizes, request.fileName) : -1;
        const QString chosenFile = chosen >= 0 ? files.at(chosen) : QString();
        if (ok && chosen >= 0 && isText(chosenFile)) {
            // A text book needs nothing else from its archive.
            const QString target =
                request.bookFolder + SaveName(request.title, QFileInfo(chosenFile).fileName());
            if (replaceFile(chosenFile, target)) {
                result.unpacked = true;
                result.bookFile = target;
            } else {
                const int err = errno;
                result.problem = cSHAREDUnzip2::Problem::Other;
                result.failures.append(Failure(failureCodeFromErrno(err),
                                               QString::fromLocal8Bit(std::strerror(err)), target));
            }
        } else if (ok) {
            // An HTML book keeps its pictures beside it, in a folder named after it; an
            // archive without a book stays unpacked for the user to look into.
            const QString kept =
                freshFolder(request.bookFolder, cSharedFileSubs::Fileroot(request.saveName));
            if (!kept.isEmpty() && replaceFile(unpackFolder, kept)) {
                result.unpacked = true;
                result.folder = kept;
                if (!chosenFile.isEmpty())
                    result.bookFile = kept + chosenFile.mid(unpackFolder.size());
            } else {
                if (!kept.isEmpty())
                    QDir().rmdir(kept);
                result.problem = cSHAREDUnzip2::Problem::Other;
                result.failures.append(Failure(FailureCode::PathFileAccess,
                                               QStringLiteral("No folder for the book"),
                                               request.bookFolder));
            }
        }
    }
    QDir(unpackFolder).removeRecursively();
    QFile::remove(archive);
    return result;
}

GutBookOutcome GutBookDownload::unpackedOutcome(const GutBookRequest &request,
                                                const Unpacked &u) const
{
    using Problem = cSHAREDUnzip2::Problem;
    GutBookOutcome outcome;
    for (const Failure &f : u.failures)
        Trace::record(f, QStringLiteral("UnzipBook"), kModule);
    outcome.unpacked = u.unpacked;
    const QString name = request.fileName;
    if (!u.unpacked) {
        switch (u.problem) {
        case Problem::TooManyFiles:
            outcome.message = translated("The archive %1 holds more than %2 files, so it was "
                                         "not unpacked.")
                                  .arg(name)
                                  .arg(u.limits.entries);
            break;
        case Problem::TooLarge:
            outcome.message = translated("The archive %1 would unpack to more than %2, so it "
                                         "was not unpacked.")
                                  .arg(name, sizeText(u.limits.totalBytes));
            break;
        case Problem::TooPacked:
            outcome.message = translated("The archive %1 holds a file that would grow more than "
                                         "%2 times over when unpacked, so it was not unpacked.")
                                  .arg(name)
                                  .arg(u.limits.ratio);
            break;
        case Problem::DiskFull:
            outcome.message = u.neededBytes > 0
                ? translated("Not enough disk space to unpack %1: it needs %2, and %3 "
                             "are free.")
                      .arg(name, sizeText(u.neededBytes), sizeText(u.freeBytes))
                : translated("Not enough disk space to unpack %1.").arg(name);
            break;
        case Problem::Password:
            outcome.message =
                translated("The archive %1 is protected by a password, and the right one was "
                           "not given.")
                    .arg(name);
            break;
        case Problem::Cancelled:
            outcome.status = translated("Download cancelled");
            break;
        default:
            outcome.message = translated("Error unpacking zip file");
            break;
        }
        return outcome;
    }
    outcome.status = translated("Unpacked %1 to %2")
                         .arg(name, u.folder.isEmpty() ? request.bookFolder : u.folder);
    if (u.bookFile.isEmpty()) {
        outcome.message = translated("Cannot determine the file name, please open manually from")
            + u' ' + u.folder;
        return outcome;
    }
    outcome.bookFile = u.bookFile;
    if (request.readAfter)
        outcome.fileToLoad = u.bookFile;
    return outcome;
}

void GutBookDownload::DownloadCompleted(const GutBookRequest &request, bool transferFailed)
{
    const QString downloaded = request.transfer.localFile;
    GutBookOutcome outcome;
    // A failed transfer leaves nothing behind.
    if (transferFailed) {
        QFile::remove(downloaded);
        emit Completed(outcome);
        return;
    }
    const QFileInfo info(downloaded);
    // An empty answer or the server's error page in place of the book: nothing is kept,
    // nothing replaced and nothing opened.
    if (!info.isFile() || info.size() == 0 || GutCatalogueDownload::IsErrorPage(downloaded)) {
        QFile::remove(downloaded);
        outcome.status = translated("Error - Could not retrieve file");
        outcome.message =
            translated("File not found on server. Please check the URL and try again.");
        emit Completed(outcome);
        return;
    }
    if (!request.archive) {
        const QString target = request.bookFolder + request.saveName;
        Trace::attempt(QStringLiteral("DownloadCompleted"), kModule, [&] {
            if (!replaceFile(downloaded, target))
                throwErrno(errno, target);
            outcome.unpacked = true;
            outcome.bookFile = target;
            if (request.readAfter)
                outcome.fileToLoad = target;
        });
        if (outcome.bookFile.isEmpty()) {
            QFile::remove(downloaded);
            outcome.message = translated("The book could not be saved as %1.").arg(target);
        }
        emit Completed(outcome);
        return;
    }
    emit Status(translated("Unpacking file"));
    auto unpacked = std::make_shared<Unpacked>();
    const cSHAREDUnzip2::Limits limits = m_limits;
    const bool started = m_job->start(
        [this, request, unpacked, limits](const BackgroundJob::Token &token) {
            // The question is asked on the window's thread while the unpacking waits.
            const PasswordFn ask = [this, token](QString &password, bool &cancel) {
                auto answer = std::make_shared<std::pair<QString, bool>>(QString(), true);
                const bool asked = token.onOwnerThread([this, answer] {
                    answer->second = false;
                    emit PasswordRequest(answer->first, answer->second);
                });
                password = asked ? answer->first : QString();
                cancel = !asked || answer->second;
            };
            *unpacked = UnzipBook(request, token.flag(), ask, limits);
        },
        [this, request, unpacked] {
            GutBookOutcome o = unpackedOutcome(request, *unpacked);
            emit Status(QString());
            emit Completed(o);
        });
    if (!started) {
        QFile::remove(downloaded);
        outcome.message = translated("Error unpacking zip file");
        emit Completed(outcome);
    }
}
