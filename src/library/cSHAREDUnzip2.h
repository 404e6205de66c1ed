#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// Lists and unpacks zip archives (libzip underneath). Options are set as properties,
// Directory fills the file list, Unzip extracts the selected entries, and four
// notifications let a window follow and steer a run: Service (per file, may cancel),
// OverwritePrompt, PasswordRequest (at most once a run) and TextMessage. They are
// signals with reference parameters: connect them directly (same thread).
//
// Archives come from the internet: an entry is written only inside UnzipFolder, never
// as a symbolic link, to a temporary name first and renamed when complete
// and checked; it fails when more data comes out than the entry declared or the disk
// is full. A run with any refused or failed entry returns false, with the reason in
// the log.
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

    explicit cSHAREDUnzip2(QObject *parent = nullptr);
    ~cSHAREDUnzip2() override;

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
    bool extractEntry(Run &run, quint64 index);
    void fail(Run &run, const QString &entryName, const QString &reason, int code);
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
};
