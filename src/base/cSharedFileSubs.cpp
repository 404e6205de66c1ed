#include "base/cSharedFileSubs.h"

#include "base/Desktop.h"
#include "base/Failure.h"
#include "base/FileTable.h"
#include "base/PrivateFolder.h"
#include "base/TextFileEncoding.h"
#include "base/Trace.h"
#include "base/cSharedLogging.h"
#include "base/cSharedText.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <fnmatch.h>
#include <sys/stat.h>

namespace {

const QString Module = QStringLiteral("cFile");

void trace(const std::exception &e, const char *procedure, const QString &suffix = {})
{
    Log().AddAction(Trace::asFailure(e).traceText() + suffix, QLatin1String(procedure), Module);
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// A plain existence test for the places where a file name is used as it stands.
bool regularFileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// The read-only handling every opening for output shares: false when the file stays
// read-only, after telling the log why it cannot be updated.
bool makeWritableForOutput(const QString &Filename)
{
    if (!regularFileExists(Filename) || !cSharedFileSubs::isReadonly(Filename))
        return true;
    if (cSharedFileSubs::MakeReadWrite(Filename))
        return true;
    Log().LogEvent(
        Filename + QStringLiteral(" is read only, can't change it to read write, can't update it"));
    return false;
}

// A file of an earlier installation is rewritten as UTF-8 before text is added to it:
// appended UTF-8 would make the whole file read as Windows-1252 and garble the new text.
void upgradeLegacyFile(const QString &Filename)
{
    if (!regularFileExists(Filename))
        return;
    const QByteArray bytes = cSharedFileSubs::ReadWholeFileBytes(Filename);
    if (TextFileEncoding::isLegacy(bytes))
        cSharedFileSubs::ReplaceTextFile(Filename, TextFileEncoding::decode(bytes));
}

// Closes a number on the way out of a failed operation; the first failure is the one
// worth reporting.
void closeQuietly(int number)
{
    Trace::quietly("the failure that brought us here is the one reported",
                   [&] { FileTable::close(number); });
}

} // namespace

// ---- Whole-file text --------------------------------------------------------------

QString cSharedFileSubs::ReadWholeFile(const QString &Filename)
{
    return TextFileEncoding::decode(ReadWholeFileBytes(Filename));
}

QByteArray cSharedFileSubs::ReadWholeFileBytes(const QString &Filename)
{
    const int number = FileTable::open(Filename, FileTable::Mode::Input);
    QByteArray bytes;
    try {
        bytes = FileTable::readAll(number);
    } catch (...) {
        closeQuietly(number);
        throw;
    }
    FileTable::close(number);
    return bytes;
}

bool cSharedFileSubs::LoadTextFile(const QString &Filename, QString &TextString)
{
    TextString.clear();
    if (!FileExists(Filename))
        return false;
    try {
        TextString = ReadWholeFile(Filename);
        return true;
    } catch (const std::exception &e) {
        trace(e, "LoadTextFile");
    }
    TextString.clear();
    return false;
}

bool cSharedFileSubs::ReadTextFile(const QString &Filename, QString &TextString)
{
    return LoadTextFile(Filename, TextString);
}

bool cSharedFileSubs::WriteTextFile(const QString &Filename, const QString &TextString)
{
    // Written beside the old file and renamed over it, so a full disk or a crash
    // leaves the previous contents instead of a truncated file.
    try {
        ReplaceTextFile(Filename, TextString);
        return true;
    } catch (const std::exception &e) {
        trace(e, "WriteTextFile", QStringLiteral(" writing ") + Filename);
    }
    return false;
}

void cSharedFileSubs::ReplaceTextFile(const QString &Filename, const QString &TextString,
                                      bool ownerOnly)
{
    ReplaceFileBytes(Filename, TextFileEncoding::encode(TextString), ownerOnly);
}

void cSharedFileSubs::ReplaceFileBytes(const QString &Filename, const QByteArray &Bytes,
                                       bool ownerOnly)
{
    if (!makeWritableForOutput(Filename))
        throw Failure(FailureCode::PathFileAccess, QStringLiteral("Path/File access error"),
                      Filename);
    FileTable::replaceFile(Filename, Bytes, ownerOnly);
}

void cSharedFileSubs::ReplacePrivateTextFile(const QString &Folder, const QString &Name,
                                             const QString &TextString)
{
    PrivateFolder::replaceFile(Folder, Name, TextFileEncoding::encode(TextString));
}

bool cSharedFileSubs::SaveTextFile(const QString &Filename, const QString &TextString)
{
    return WriteTextFile(Filename, TextString);
}

void cSharedFileSubs::AppendToTextFile(const QString &Filename, const QString &TextString)
{
    Trace::attempt(QStringLiteral("AppendToTextFile"), Module,
                   [&] { upgradeLegacyFile(Filename); });
    const int number = OpenAppendFile(Filename);
    if (number <= 0)
        return;
    try {
        WriteLine(number, TextString);
        FileTable::close(number);
    } catch (const std::exception &e) {
        closeQuietly(number);
        trace(e, "AppendToTextFile");
    }
}

void cSharedFileSubs::AppendText(const QString &Filename, const QString &Text)
{
    upgradeLegacyFile(Filename);
    QFile file(Filename);
    if (!file.open(QIODevice::Append) || file.write(TextFileEncoding::encode(Text)) < 0)
        throw Failure(FailureCode::PathFileAccess,
                      QStringLiteral("Cannot append to %1: %2").arg(Filename, file.errorString()),
                      Filename);
}

int cSharedFileSubs::LinesInFile(const QString &Filename)
{
    if (!regularFileExists(Filename))
        return 0;
    try {
        const QString text = ReadWholeFile(Filename);
        int lines = 0;
        const qsizetype size = text.size();
        for (qsizetype i = 0; i < size; ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\r')) {
                ++lines;
                if (i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
            } else if (c == QLatin1Char('\n')) {
                ++lines;
            }
        }
        if (size > 0 && text.back() != QLatin1Char('\r') && text.back() != QLatin1Char('\n'))
            ++lines;
        return lines;
    } catch (const std::exception &e) {
        trace(e, "LinesInFile");
    }
    return 0;
}

// ---- Numbered files ---------------------------------------------------------------

int cSharedFileSubs::CreateOutputFile(const QString &Filename)
{
    try {
        if (!makeWritableForOutput(Filename))
            return -1;
        return FileTable::open(Filename, FileTable::Mode::Output);
    } catch (const std::exception &e) {
        trace(e, "CreateOutputFile");
    }
    return -1;
}

int cSharedFileSubs::OpenOutputFile(const QString &Filename)
{
    return CreateOutputFile(Filename);
}

int cSharedFileSubs::OpenAppendFile(const QString &Filename)
{
    if (!regularFileExists(Filename))
        return CreateOutputFile(Filename);
    try {
        if (!makeWritableForOutput(Filename))
            return -1;
        return FileTable::open(Filename, FileTable::Mode::Append);
    } catch (const std::exception &e) {
        trace(e, "OpenAppendFile");
    }
    return -1;
}

int cSharedFileSubs::OpenFile(const QString &Filename)
{
    if (!regularFileExists(Filename))
        return -1;
    try {
        return FileTable::open(Filename, FileTable::Mode::Input);
    } catch (const std::exception &e) {
        trace(e, "OpenFile");
    }
    return -1;
}

void cSharedFileSubs::WriteText(int FileNumber, const QString &Text)
{
    FileTable::write(FileNumber, TextFileEncoding::encode(Text));
}

void cSharedFileSubs::WriteLine(int FileNumber, const QString &Text)
{
    QByteArray bytes = TextFileEncoding::encode(Text);
    bytes.append("\r\n", 2);
    FileTable::write(FileNumber, bytes);
}

QString cSharedFileSubs::ReadToEnd(int FileNumber)
{
    return TextFileEncoding::decode(FileTable::readAll(FileNumber));
}

void cSharedFileSubs::CloseFile(int FileNumber)
{
    FileTable::close(FileNumber);
}

bool cSharedFileSubs::IsFileOpen(int FileNumber)
{
    return FileTable::isOpen(FileNumber);
}

// ---- Existence, folders, attributes -----------------------------------------------

bool cSharedFileSubs::FileExists(const QString &Filename)
{
    try {
        if (Filename.isEmpty())
            return false;
        const qsizetype slash = Filename.lastIndexOf(QLatin1Char('/'));
        const QString pattern = Filename.mid(slash + 1);
        if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?')))
            return regularFileExists(Filename);
        // A file search's ".*" at the end also takes a name without any extension:
        // "Book.*" finds "Book.txt" and "Book", "*.*" every name.
        const QByteArray nativePattern = nativePath(pattern);
        const QByteArray bare =
            pattern.endsWith(QLatin1String(".*")) ? nativePath(pattern.chopped(2)) : QByteArray();
        const QString folder = slash < 0 ? QStringLiteral(".") : Filename.left(slash + 1);
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
        while (it.hasNext()) {
            it.next();
            const QByteArray name = nativePath(it.fileName());
            const bool matches = fnmatch(nativePattern.constData(), name.constData(), 0) == 0
                || (!bare.isEmpty() && !name.contains('.')
                    && fnmatch(bare.constData(), name.constData(), 0) == 0);
            if (matches && !it.fileInfo().isDir())
                return true;
        }
    } catch (const std::exception &e) {
        trace(e, "FileExists");
    }
    return false;
}

bool cSharedFileSubs::FolderExists(const QString &Foldername)
{
    try {
        QString name = Foldername;
        if (name.size() > 1 && name.endsWith(QLatin1Char('/')))
            name.chop(1);
        if (name.isEmpty())
            return false;
        return QFileInfo(name).isDir();
    } catch (const std::exception &e) {
        trace(e, "FolderExists");
    }
    return false;
}

bool cSharedFileSubs::MkMissingDir(const QString &Foldername)
{
    if (cSharedText::TrimBlanks(Foldername).isEmpty() || FolderExists(Foldername))
        return false;
    try {
        const QStringList parts = Foldername.split(QLatin1Char('/'));
        QString path = Foldername.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
        for (const QString &part : parts) {
            if (part.isEmpty())
                continue;
            path += part;
            if (!FolderExists(path) && ::mkdir(nativePath(path).constData(), 0777) != 0
                && errno != EEXIST)
                throwErrno(errno, path);
            path += QLatin1Char('/');
        }
        if (!FolderExists(Foldername))
            throwErrno(ENOENT, Foldername);
        return true;
    } catch (const std::exception &e) {
        trace(e, "MkMissingDir");
    }
    return false;
}

bool cSharedFileSubs::EraseFile(const QString &Filename)
{
    try {
        const QFileInfo info(Filename);
        if (!info.exists() && !info.isSymLink())
            return true;
        if (info.isDir())
            throwErrno(EISDIR, Filename);
        if (!info.isSymLink())
            MakeReadWrite(Filename);
        if (::unlink(nativePath(Filename).constData()) != 0)
            throwErrno(errno, Filename, true);
        return true;
    } catch (const std::exception &e) {
        trace(e, "EraseFile", QStringLiteral(" erasing ") + Filename);
    }
    return false;
}

bool cSharedFileSubs::MakeReadWrite(const QString &Filename)
{
    try {
        const QByteArray path = nativePath(Filename);
        struct stat st
        {
        };
        if (Filename.isEmpty() || ::stat(path.constData(), &st) != 0)
            return false;
        if ((st.st_mode & S_IWUSR) == 0
            && ::chmod(path.constData(), (st.st_mode & 07777) | S_IWUSR) != 0)
            throwErrno(errno, Filename, true);
        return true;
    } catch (const std::exception &e) {
        trace(e, "MakeReadWrite");
    }
    return false;
}

bool cSharedFileSubs::isReadonly(const QString &Filename)
{
    struct stat st
    {
    };
    return !Filename.isEmpty() && ::stat(nativePath(Filename).constData(), &st) == 0
        && (st.st_mode & S_IWUSR) == 0;
}

DayDate cSharedFileSubs::FileDate(const QString &Filename)
{
    try {
        const QFileInfo info(Filename);
        if (info.exists())
            return DayDate::fromDateTime(info.lastModified());
    } catch (const std::exception &e) {
        trace(e, "FileDate");
    }
    return DayDate::zero();
}

// ---- Path strings -----------------------------------------------------------------

QString cSharedFileSubs::PathOnly(const QString &PathPlusFile)
{
    const qsizetype at = lastSeparator(PathPlusFile);
    return at < 0 ? QStringLiteral("./") : PathPlusFile.left(at + 1);
}

QString cSharedFileSubs::ExtractPath(const QString &PathPlusFile)
{
    const qsizetype at = lastSeparator(PathPlusFile);
    return at < 0 ? QString() : PathPlusFile.left(at + 1);
}

QString cSharedFileSubs::FileOnly(const QString &PathPlusFile)
{
    return PathPlusFile.mid(lastSeparator(PathPlusFile) + 1);
}

QString cSharedFileSubs::FileExPath(const QString &Filename)
{
    return FileOnly(Filename);
}

QString cSharedFileSubs::ExtOnly(const QString &Filename)
{
    const qsizetype dot = Filename.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : Filename.mid(dot + 1);
}

QString cSharedFileSubs::Fileroot(const QString &Filename)
{
    const qsizetype dot = Filename.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? Filename : Filename.left(dot);
}

QString cSharedFileSubs::DriveOnly(const QString &DrivePlusFolder)
{
    if (DrivePlusFolder.isEmpty() || isSeparator(DrivePlusFolder.front()))
        return DrivePlusFolder;
    return DrivePlusFolder.left(1);
}

QString cSharedFileSubs::AddSlashIfMissing(const QString &Path)
{
    if (Path.isEmpty() || isSeparator(Path.back()))
        return Path;
    return Path + QLatin1Char('/');
}

QString cSharedFileSubs::RemoveSlashFromEnd(const QString &Path)
{
    if (!Path.isEmpty() && isSeparator(Path.back()))
        return Path.left(Path.size() - 1);
    return Path;
}

void cSharedFileSubs::CleanString(QString &StringToClean)
{
    for (const char c : { '\\', '/', ':', '*', '?', '<', '>', '|', '&', ',', '%' })
        StringToClean.replace(QLatin1Char(c), QLatin1Char(' '));
    for (const char *device : { "PRN", "CON", "NUL", "AUX" }) {
        if (StringToClean == QLatin1String(device)) {
            StringToClean += QLatin1Char('1');
            break;
        }
    }
    StringToClean.replace(QLatin1Char('"'), QLatin1Char(' '));
    StringToClean = cSharedText::TrimBlanks(StringToClean);
}

// ---- Other ------------------------------------------------------------------------

int cSharedFileSubs::RunFile(const QString &Filename, const QString &Path)
{
    constexpr int FileNotFound = 2;
    constexpr int PathNotFound = 3;
    constexpr int NoAssociation = 31;
    constexpr int Started = 42;
    try {
        if (Filename.contains(QLatin1String("://")))
            return Desktop::open(QUrl(Filename)) ? Started : NoAssociation;
        if (!Path.isEmpty() && !FolderExists(Path))
            return PathNotFound;
        const QString full = QDir::isRelativePath(Filename) && !Path.isEmpty()
            ? QDir(Path).filePath(Filename)
            : Filename;
        const QFileInfo info(full);
        if (!info.exists())
            return QFileInfo(info.absolutePath()).isDir() ? FileNotFound : PathNotFound;
        return Desktop::open(QUrl::fromLocalFile(info.absoluteFilePath())) ? Started
                                                                           : NoAssociation;
    } catch (const std::exception &e) {
        trace(e, "RunFile");
    }
    return NoAssociation;
}

void cSharedFileSubs::FillFiles(const QString &BasePath, const QString &ValidExtensionList,
                                QStringList &AllFiles)
{
    const QString folder = AddSlashIfMissing(BasePath);
    if (!QFileInfo(folder).isDir())
        throw Failure(FailureCode::PathNotFound, QStringLiteral("Path not found"), folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QString name = cSharedText::cTrim(it.fileName());
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (ValidExtensionList.isEmpty()
            || (dot >= 0 && ValidExtensionList.contains(name.mid(dot + 1), Qt::CaseInsensitive)))
            AllFiles << name;
    }
}
