#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "base/Failure.h"

#include <atomic>

// Lists and unpacks zip archives (libzip underneath). Options are set as properties,
// Directory fills the file list, Unzip extracts the selected entries, and four
// notifications let a window follow and steer a run: Service (per file, may cancel),
// OverwritePrompt, PasswordRequest (at most once a run) and TextMessage. They are
// signals with reference parameters: connect them directly (same thread).
//
// Archives come from the internet: an entry is written only inside UnzipFolder, never
// as a symbolic link and never with execute bits, to a temporary name first and renamed
// when complete and checked; it fails when more data comes out than the entry declared.
// A run is refused whole, before a byte is written, when its archive is over a bound
// (Limits: the total unpacked size, the number of files, how far one file is packed) or
// needs more room than the disk has; a disk that fills during the run takes back what
// the run wrote. A run with any refused or failed entry returns false, with the reason
// in LastProblem and the log.
class cSHAREDUnzip2 : public QObject
{
    Q_OBJECT
public:
    // Answers to OverwritePrompt; the prompt starts with OverwriteNo.
    enum OverwriteAnswer {
        OverwriteNo = 100,
        OverwriteYes = 101,
        OverwriteAll = 102, // this and every later file of the run
        OverwriteNone = 103, // neither this nor any later file of the run
    };

    // What a run may unpack at most.
    struct Limits
    {
        qint64 totalBytes = 2LL * 1024 * 1024 * 1024;
        int entries = 10000;
        // Unpacked size to packed size of one file; files up to ratioFloor may be
        // packed any amount (a page of blanks, a tiny text). Books pack 3 to 10 times,
        // deflate at its best a thousand times: only a bomb of zeros gets there.
        int ratio = 1000;
        qint64 ratioFloor = 1024 * 1024;
        // Room that must stay free on the disk after the run.
        qint64 spareBytes = 64 * 1024 * 1024;
    };

    // Why the last run failed, for the caller to tell the user.
    enum class Problem {
        None,
        TooManyFiles, // more entries than Limits::entries
        TooLarge, // more than Limits::totalBytes in all
        TooPacked, // a file packed beyond Limits::ratio
        DiskFull, // NeededBytes() more than the disk has free
        Password, // encrypted, and no (right) password was given
        Cancelled,
        Other, // see the log
    };

    explicit cSHAREDUnzip2(QObject *parent = nullptr);
    ~cSHAREDUnzip2() override;

    Limits limits() const { return m_limits; }
    void setLimits(const Limits &limits) { m_limits = limits; }
    Problem LastProblem() const { return m_problem; }
    // What the refused run would have written, and what the disk had free.
    qint64 NeededBytes() const { return m_needed; }
    qint64 FreeBytes() const { return m_free; }
    // A flag another thread may set to stop the run at its next block.
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancelFlag = flag; }
    // Failures go to the log as they happen; off, they are only kept (Failures()), for a
    // run on a worker thread whose owner logs them on its own thread afterwards.
    void setTraceFailures(bool on) { m_traceFailures = on; }
    QList<Failure> Failures() const { return m_failures; }

    // Only files newer than the ones already there (and new files) are written.
    bool ExtractOnlyNewer() const { return m_extractOnlyNewer; }
    void setExtractOnlyNewer(bool on) { m_extractOnlyNewer = on; }
    // Blanks in written names become "_".
    bool SpaceToUnderScore() const { return m_spaceToUnderScore; }
    void setSpaceToUnderScore(bool on) { m_spaceToUnderScore = on; }
    // An existing file raises OverwritePrompt (unless OverwriteExisting).
    bool PromptToOverwrite() const { return m_promptToOverwrite; }
    void setPromptToOverwrite(bool on) { m_promptToOverwrite = on; }
    // 0: a TextMessage for every file and failure; 1: failures only; 2 and up: none.
    int MessageLevel() const { return m_messageLevel; }
    void setMessageLevel(int level) { m_messageLevel = level; }
    // Entries are read whole and their checksums checked; nothing is written.
    bool TestZip() const { return m_testZip; }
    void setTestZip(bool on) { m_testZip = on; }
    // The archive's folders are made under UnzipFolder; without, every file lands in
    // UnzipFolder itself.
    bool UseFolderNames() const { return m_useFolderNames; }
    void setUseFolderNames(bool on) { m_useFolderNames = on; }
    // Existing files are replaced without asking.
    bool OverwriteExisting() const { return m_overwriteExisting; }
    void setOverwriteExisting(bool on) { m_overwriteExisting = on; }
    // Line ends (LF, CR or CR LF) written as CR LF: for archives of text only.
    bool ConvertCRToCRLF() const { return m_convertCRToCRLF; }
    void setConvertCRToCRLF(bool on) { m_convertCRToCRLF = on; }
    // Whether selected names match entries with the same letter case only.
    bool CaseSensitiveFileNames() const { return m_caseSensitiveFileNames; }
    void setCaseSensitiveFileNames(bool on) { m_caseSensitiveFileNames = on; }
    // Entries are written to standard output instead of files.
    bool ExtractToStdOut() const { return m_extractToStdOut; }
    void setExtractToStdOut(bool on) { m_extractToStdOut = on; }

    QString Zipfile() const { return m_zipfile; }
    // A new archive empties the file list.
    void setZipfile(const QString &path);
    QString UnzipFolder() const { return m_unzipFolder; }
    void setUnzipFolder(const QString &folder) { m_unzipFolder = folder; }

    // The file list, filled by Directory; indexes count from 1, and an index outside
    // the list gives zero or empty values.
    int FileCount() const { return int(m_files.size()); }
    QString Filename(int index) const;
    // The entry's folder inside the archive, "\"-separated, empty at the top.
    QString FileDirectory(int index) const;
    qint64 FileSize(int index) const;
    qint64 FilePackedSize(int index) const;
    // The packed size as a percentage of the size.
    int FileCompressionRatio(int index) const;
    QString FileCompressionMethod(int index) const;
    // Date and time to the minute.
    QDateTime FileDate(int index) const;
    quint32 FileCRC(int index) const;
    bool FileEncrypted(int index) const;
    bool FileSelected(int index) const;
    void setFileSelected(int index, bool selected);

    // Lists the archive into the file list (folders are not listed); every file
    // starts selected. False when the archive cannot be read.
    bool Directory();
    // Extracts the selected files of the list (every file when the list is empty or
    // all are selected; none when the list has files and none is selected).
    bool Unzip();
    // The files the last Unzip wrote, with their full paths.
    QStringList ExtractedFiles() const { return m_extracted; }

    // libzip's version numbers; libzip has no release date, so date is empty, and
    // extra holds any text after the numbers.
    static void GetVersion(int &major, int &minor, int &revision, QString &date, QString &extra);

signals:
    void Service(const QString &fileName, bool &cancel);
    void OverwritePrompt(const QString &fileName, int &answer);
    void PasswordRequest(QString &password, bool &cancel);
    void TextMessage(int kind, const QString &text);

private:
    struct Entry
    {
        QString name;
        QString directory;
        qint64 size = 0;
        qint64 packedSize = 0;
        QString method;
        QDateTime date;
        quint32 crc = 0;
        bool encrypted = false;
        bool selected = true;
    };
    struct Run;

    const Entry *entry(int index) const;
    bool withinLimits(Run &run, qint64 &total);
    bool extractEntry(Run &run, quint64 index);
    bool cancelRequested() const;
    void fail(Run &run, const QString &entryName, const QString &reason, int code,
              Problem problem = Problem::Other);
    void takeBack(const Run &run);
    void text(const QString &message, bool isFailure);

    bool m_extractOnlyNewer = false;
    bool m_spaceToUnderScore = false;
    bool m_promptToOverwrite = false;
    int m_messageLevel = 0;
    bool m_testZip = false;
    bool m_useFolderNames = false;
    bool m_overwriteExisting = false;
    bool m_convertCRToCRLF = false;
    bool m_caseSensitiveFileNames = false;
    bool m_extractToStdOut = false;
    QString m_zipfile;
    QString m_unzipFolder;
    QList<Entry> m_files;
    QStringList m_extracted;
    Limits m_limits;
    Problem m_problem = Problem::None;
    qint64 m_needed = 0;
    qint64 m_free = 0;
    const std::atomic<bool> *m_cancelFlag = nullptr;
    bool m_traceFailures = true;
    QList<Failure> m_failures;
};
