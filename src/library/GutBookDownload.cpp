#include "library/GutBookDownload.h"

#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "library/GutBookInfo.h"
#include "library/cSHAREDUnzip2.h"
#include "ui/MessagePump.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

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

} // namespace

GutBookDownload::GutBookDownload(QString programFolder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(programFolder))
{
}

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
    QString folder = downloadPathText.trimmed();
    if (folder.isEmpty())
        folder = m_folder;
    folder = withSeparator(folder);
    p.downloadPath = folder;
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
    r.transfer.url = url;
    r.transfer.localFolder = folder;
    r.transfer.localFile = folder + fileName;
    return p;
}

GutBookDownload::Unpacked GutBookDownload::UnzipBook(const QString &archive, const QString &folder)
{
    Unpacked result;
    Trace::attempt(QStringLiteral("UnzipBook"), kModule, [&] {
        cSharedFileSubs::MkMissingDir(folder);
        // The extension decides: "x.zip.txt" is a text, not an archive.
        if (cSharedFileSubs::ExtOnly(cSharedFileSubs::FileOnly(archive))
                .compare(QLatin1String("zip"), Qt::CaseInsensitive)
            != 0) {
            result.unpacked = true;
            result.bookFile = archive;
            return;
        }
        cSHAREDUnzip2 unzip;
        unzip.setZipfile(archive);
        unzip.setOverwriteExisting(true);
        unzip.setUnzipFolder(folder);
        unzip.setUseFolderNames(true);
        // Pumping keeps the window alive through a long archive.
        connect(&unzip, &cSHAREDUnzip2::Service, this,
                [](const QString &, bool &) { MessagePump::DoEvents(); });
        if (!unzip.Unzip())
            return;
        emit Status(translated("Unpacked %1 to %2").arg(archive, folder));
        result.unpacked = true;
        const QStringList files = unzip.ExtractedFiles();
        QList<qint64> sizes;
        for (const QString &f : files)
            sizes.append(QFileInfo(f).size());
        const int chosen = ChooseBookFile(files, sizes, archive);
        if (chosen >= 0)
            result.bookFile = files.at(chosen);
    });
    return result;
}

GutBookOutcome GutBookDownload::DownloadCompleted(const GutBookRequest &request,
                                                  bool transferFailed)
{
    GutBookOutcome outcome;
    const QString downloaded = request.transfer.localFile;
    Trace::attempt(QStringLiteral("DownloadCompleted"), kModule, [&] {
        const QFileInfo info(downloaded);
        // A failed transfer leaves nothing behind.
        if (transferFailed) {
            QFile::remove(downloaded);
            return;
        }
        // An empty answer or the server's error page in place of the book: nothing
        // is kept and nothing opened.
        if (!info.isFile() || info.size() == 0 || GutCatalogueDownload::IsErrorPage(downloaded)) {
            QFile::remove(downloaded);
            outcome.status = translated("Error - Could not retrieve file");
            outcome.message =
                translated("File not found on server. Please check the URL and try again.");
            return;
        }
        emit Status(translated("Unpacking file"));
        MessagePump::DoEvents();
        const Unpacked unpacked = UnzipBook(downloaded, request.bookFolder);
        emit Status(QString());
        MessagePump::DoEvents();
        outcome.unpacked = unpacked.unpacked;
        if (!unpacked.unpacked) {
            outcome.message = translated("Error unpacking zip file");
            return;
        }
        if (unpacked.bookFile.isEmpty()) {
            outcome.message =
                translated("Cannot determine the file name, please open manually from") + u' '
                + request.bookFolder;
            return;
        }
        // The book takes the save name; an archive stays under its own name beside it.
        const QString saveName = unpacked.bookFile == downloaded
            ? request.saveName
            : SaveName(request.title, cSharedFileSubs::FileOnly(unpacked.bookFile));
        const QString target = request.bookFolder + saveName;
        outcome.bookFile = replaceFile(unpacked.bookFile, target) ? target : unpacked.bookFile;
        if (request.readAfter)
            outcome.fileToLoad = outcome.bookFile;
    });
    return outcome;
}
