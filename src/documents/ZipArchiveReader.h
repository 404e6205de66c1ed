#pragma once

#include "documents/FormatText.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

// A zip archive held in memory and read, never written out: the container of EPUB, DOCX
// and ODT. Archives come from outside, so everything about them is bounded: the number of
// entries, each entry's unpacked size (whatever it declares), the total unpacked by one
// reader and the compression ratio of large entries. Names are looked up as stored, and a
// reference inside the archive is resolved against the archive's root only.
class ZipArchiveReader
{
public:
    struct Limits
    {
        qint64 archiveBytes = 512LL << 20;
        qint64 entries = 20000;
        qint64 entryBytes = 128LL << 20;
        qint64 totalBytes = 512LL << 20;
        // Entries unpacking past ratioFloor bytes may grow at most this many times.
        qint64 ratio = 200;
        qint64 ratioFloor = 1LL << 20;
    };

    ZipArchiveReader();
    explicit ZipArchiveReader(const Limits &limits);
    ~ZipArchiveReader();
    ZipArchiveReader(const ZipArchiveReader &) = delete;
    ZipArchiveReader &operator=(const ZipArchiveReader &) = delete;

    // The archive's bytes (kept by the reader) or a file read whole. False with a
    // message and outcome when it is no zip, is damaged or passes a limit.
    bool open(QByteArray bytes);
    bool openFile(const QString &path);

    QStringList names() const { return m_names; }
    bool contains(const QString &name) const { return indexOf(name) >= 0; }
    // The unpacked entry; an empty array with a message and outcome when it is missing,
    // encrypted, damaged or passes a limit. A name that differs only in letter case is
    // taken when no exact match exists (books written on Windows mix them up).
    QByteArray read(const QString &name);

    // Why the last open or read failed, for the user (translated), and how.
    const QString &failure() const { return m_failure; }
    FormatText::Outcome outcome() const { return m_outcome; }
    // The last failure as a reader's result (a missing part is damage).
    FormatText failed() const
    {
        return FormatText::failed(
            m_outcome == FormatText::Outcome::Read ? FormatText::Outcome::Damaged : m_outcome,
            m_failure);
    }

    // Opens the archive in a file or in bytes and reads it with `read` (a function of a
    // ZipArchiveReader &), or gives the reason it would not open.
    template<class Read> static FormatText withArchive(const QString &path, Read &&read)
    {
        ZipArchiveReader zip;
        return zip.openFile(path) ? read(zip) : zip.failed();
    }
    template<class Read> static FormatText withArchive(QByteArray bytes, Read &&read)
    {
        ZipArchiveReader zip;
        return zip.open(std::move(bytes)) ? read(zip) : zip.failed();
    }

    // An href of a document at fromEntry ("OEBPS/text/ch1.xhtml"), percent-decoded and
    // resolved into an entry name ("OEBPS/images/a.png"); empty when it leaves the
    // archive, names another scheme (http:, mailto:, file:) or is empty. The fragment and
    // query are left out.
    static QString resolve(const QString &fromEntry, const QString &href);

private:
    qint64 indexOf(const QString &name) const;
    bool fail(FormatText::Outcome outcome);

    struct Archive;
    Limits m_limits;
    QByteArray m_bytes;
    std::unique_ptr<Archive> m_archive;
    QStringList m_names;
    QHash<QString, qint64> m_index;
    QHash<QString, qint64> m_folded;
    qint64 m_unpacked = 0;
    QString m_failure;
    FormatText::Outcome m_outcome = FormatText::Outcome::Read;
};
