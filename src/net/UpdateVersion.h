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

    // "2.4.1b". A suffix that begins with a digit (written "2.4.1 1") keeps its blank, so
    // what is shown is what was compared, not revision 11.
    QString text() const;
    // The numbers and the suffix run together ("241b"): what "@@@" in a package address
    // stands for; the blank before a digit suffix is written "%20".
    QString compact() const;

    bool operator==(const VersionRecord &other) const = default;
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

// What the server may send: a version file is a few short lines.
constexpr qsizetype MaxVersionFileBytes = 8 * 1024;
constexpr qsizetype MaxVersionLineChars = 64;
constexpr qsizetype MaxSuffixChars = 16;
constexpr qsizetype MaxAddressChars = 2048;

// Reads "major.minor.revision[suffix]" into record. False, and record untouched, when the
// text has fewer than three parts, a number does not fit in 16 bits, or the suffix is no
// suffix (more than MaxSuffixChars, or other than letters, digits and "-_+~"). A part
// without a leading number counts as 0; parts after the third are ignored.
bool ExtractVersionFromAppVer(const QString &text, VersionRecord &record);

// Reads a version file (LF line ends, a CR before the LF dropped). False, and file emptied,
// when it is larger than MaxVersionFileBytes, has fewer than two lines, its first line is
// no version or longer than MaxVersionLineChars, or its address, "@@@" replaced, is longer
// than MaxAddressChars.
bool ExtractVersionFromWebFile(const QString &DataString, VersionFile &file);

// Whether latest is newer than running: by major, minor and revision, then by the suffix
// compared as exact text ("2.4.1b" is newer than "2.4.1").
bool IsNewer(const VersionRecord &latest, const VersionRecord &running);

} // namespace UpdateVersion
