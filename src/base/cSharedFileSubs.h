#pragma once

#include "base/DayDate.h"

#include <QString>
#include <QStringList>

// The shared service for files, folders and path strings. Stateless apart from the
// table of open file numbers, which is process-wide like a runtime's file numbers.
//
// Text files are written as UTF-8 without a byte-order mark and read as UTF-8 when valid,
// else as Windows-1252 (base/TextFileEncoding.h), with no line-end conversion. Path-string helpers
// treat "/" and "\" alike. Operations that catch their failures write them as trace entries (module
// "cFile", the operation's name as procedure) and return their failure value.
class cSharedFileSubs
{
public:
    // Whole-file text.
    static bool LoadTextFile(const QString &Filename, QString &TextString);
    static bool ReadTextFile(const QString &Filename, QString &TextString);
    // The whole file as text; throws Failure when it cannot be read (53 when missing).
    static QString ReadWholeFile(const QString &Filename);
    // The same as the file's bytes, for readers that convert only what they keep.
    static QByteArray ReadWholeFileBytes(const QString &Filename);
    static bool WriteTextFile(const QString &Filename, const QString &TextString);
    static bool SaveTextFile(const QString &Filename, const QString &TextString);
    // What WriteTextFile does, failures thrown as Failure instead of logged: the file
    // is made writable if it was read-only (when it cannot be, an event is logged and
    // 75 thrown), then replaced whole through a temporary file beside it, so a failure
    // leaves the old file exactly as it was. ownerOnly leaves the file readable by its
    // owner alone (it may hold a password).
    static void ReplaceTextFile(const QString &Filename, const QString &TextString,
                                bool ownerOnly = false);
    // The same for text already in a file's bytes.
    static void ReplaceFileBytes(const QString &Filename, const QByteArray &Bytes,
                                 bool ownerOnly = false);
    // The same into a folder only this user can reach (base/PrivateFolder.h): a link planted
    // at the name is replaced, never followed. Throws Failure.
    static void ReplacePrivateTextFile(const QString &Folder, const QString &Name,
                                       const QString &TextString);
    // Appends TextString and CR LF, creating a missing file; a Windows-1252 file of an
    // earlier installation is turned into UTF-8 first.
    static void AppendToTextFile(const QString &Filename, const QString &TextString);
    // Appends the text as it stands, creating a missing file (or turning an old Windows-1252
    // one into UTF-8 first); throws Failure (75) when the file cannot be written.
    static void AppendText(const QString &Filename, const QString &Text);
    // Lines up to the end of the file; CR LF, a lone CR and a lone LF each end a line.
    static int LinesInFile(const QString &Filename);

    // Numbered files: a positive number (the lowest free, from 1) or -1. A read-only
    // file is made writable first; when that is impossible an event is logged.
    static int CreateOutputFile(const QString &Filename);
    static int OpenOutputFile(const QString &Filename);
    static int OpenAppendFile(const QString &Filename);
    // For reading; -1 when missing or unreadable.
    static int OpenFile(const QString &Filename);
    // Writes through a number; throws Failure (52 for a number that is not open).
    static void WriteText(int FileNumber, const QString &Text);
    static void WriteLine(int FileNumber, const QString &Text);
    // The rest of a file opened for reading.
    static QString ReadToEnd(int FileNumber);
    // Flushes and closes; throws Failure when the buffered data cannot be written
    // (the number is free afterwards either way). Closing a free number does nothing.
    static void CloseFile(int FileNumber);
    static bool IsFileOpen(int FileNumber);

    // Existence, folders, attributes. A file is read-only when its owner has no
    // write permission; a folder is never a file; "*" and "?" in the file-name part
    // match as in a file search.
    static bool FileExists(const QString &Filename);
    static bool FolderExists(const QString &Foldername);
    // Creates the folder and every missing parent; false when blank, already there,
    // or when creating failed.
    static bool MkMissingDir(const QString &Foldername);
    static bool EraseFile(const QString &Filename);
    static bool MakeReadWrite(const QString &Filename);
    static bool isReadonly(const QString &Filename);
    // Last modification; the zero date for a missing file.
    static DayDate FileDate(const QString &Filename);

    // Path strings; nothing is looked up on disk.
    static QString PathOnly(const QString &PathPlusFile);
    static QString ExtractPath(const QString &PathPlusFile);
    static QString FileOnly(const QString &PathPlusFile);
    static QString FileExPath(const QString &Filename);
    static QString ExtOnly(const QString &Filename);
    static QString Fileroot(const QString &Filename);
    static QString DriveOnly(const QString &DrivePlusFolder);
    static QString AddSlashIfMissing(const QString &Path);
    static QString RemoveSlashFromEnd(const QString &Path);
    static void CleanString(QString &StringToClean);

    // Opens the file with the desktop's associated program, Path as working folder.
    // Above 32 on success; 2 file not found, 3 path not found, 31 nothing to open it with.
    static int RunFile(const QString &Filename, const QString &Path = {});
    // Appends the names (no folder) of the files directly in BasePath whose extension
    // occurs in ValidExtensionList, ignoring case (every file when the list is empty).
    // Throws Failure when the folder cannot be listed. A folder of thousands of files takes a
    // while: a window that lists one keeps itself responsive by asking from a worker.
    static void FillFiles(const QString &BasePath, const QString &ValidExtensionList,
                          QStringList &AllFiles);
};
