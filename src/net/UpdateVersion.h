#pragma once

#include <QString>

// A program version as the update check counts it: major, minor and revision, and a
// suffix written straight after the revision ("2.4.1b" has the suffix "b").
struct VersionRecord
{
    qint16 major = 0;
    qint16 minor = 0;
    qint16 revision = 0;
    QString suffix;

    // "2.4.1b"
    QString text() const;
    // The numbers and the suffix run together ("241b"): what "@@@" in a package address
    // stands for.
    QString compact() const;
};

// What the maker's version file says. Line 1 is the latest version, line 2 the address of
// its package, and an optional line 3 "sha256=<hex>" the package's SHA-256; anything after
// that is ignored, so version files written before the checksum existed stay valid.
struct VersionFile
{
    VersionRecord version;
    // Line 2 with every "@@@" replaced by version.compact().
    QString DownloadURL;
    // Whether line 3 is a "sha256=" line, and its value lower-cased.
    bool hasChecksum = false;
    QString sha256;
};

namespace UpdateVersion {

// Reads "major.minor.revision[suffix]" into record. False, and record untouched, when the
// text has fewer than three parts or a number does not fit in 16 bits. A part without a
// leading number counts as 0; parts after the third are ignored.
bool ExtractVersionFromAppVer(const QString &text, VersionRecord &record);

// Reads a version file (LF line ends, a CR before the LF dropped). False when it has fewer
// than two lines (file is then emptied) or its first line is no version.
bool ExtractVersionFromWebFile(const QString &DataString, VersionFile &file);

// Whether latest is newer than running: by major, minor and revision, then by the suffix
// compared as exact text ("2.4.1b" is newer than "2.4.1").
bool IsNewer(const VersionRecord &latest, const VersionRecord &running);

} // namespace UpdateVersion
