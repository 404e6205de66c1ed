#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What passes from the reader to its installer, OrlinUpdater: the file "updater.ini" in
// the program folder names the downloaded package (line 1, and exactly, percent-encoded,
// as "package=..."), the version it was announced
// as ("version=2.4.1b") and, when the version file gave one, its SHA-256 ("sha256=<hex>").
// The package's signature lies beside it (SignatureFileName). The installer trusts none of
// this: it verifies the signature itself, and the signed version must be the one named
// here. Also where the installer works and how it is started.
namespace UpdateHandOff {

// The installer's file name, beside the reader's executable.
QString InstallerName();
// The reader's executable name in the install folder.
QString ProgramName();
QString HandOffFileName();
// The signature file beside a package: its name with ".minisig" appended.
QString SignatureFileName(const QString &packageName);

// Whether a name from a file or a package can stand for one file in a folder: not empty,
// no separator, not "." or "..", no control character, not taken for a Qt resource
// (":x"), at most 255 bytes.
bool IsPlainName(const QString &name);
// Whether a relative path from a package is made of plain names joined by "/".
bool IsPlainRelativePath(const QString &relative);
// folder + "/" + relative, for a name or path that passed the checks above; never read
// as a resource or an absolute path, whatever the name.
QString PathIn(const QString &folder, const QString &relative);

// The folder the installer replaces files in (see base/Seam.h): tests point it at a
// temporary folder. Empty: the folder of the running executable.
struct InstallFolderSeam
{
    using Type = QString;
};
QString InstallFolder();

// Whether this copy may update itself: a portable install, whose program folder is the
// executable's folder, which the user can write, with the installer beside it. An install
// for all users (the executable in a system folder) is updated by the package manager.
bool CanInstallInPlace();

struct HandOff
{
    QString packageName;
    // The version the package was announced as, as the check compared it; empty when
    // updater.ini names none (the installer then refuses).
    QString version;
    // Lower-case hex, empty when no checksum was given.
    QString sha256;
};

// Writes folder/updater.ini (replacing it whole). Throws Failure when it cannot, or when
// the package name is no plain name.
void WriteHandOffFile(const QString &folder, const HandOff &handOff);
// Reads folder/updater.ini; nothing when it is missing, larger than a few KB, names no
// package, or names one that is not a plain file name in that folder.
std::optional<HandOff> ReadHandOffFile(const QString &folder);
// The same from the file's text (for the fuzzer and the tests).
std::optional<HandOff> ParseHandOff(const QString &text);
// updater.ini is a few short lines.
constexpr qint64 MaxHandOffBytes = 4096;
// No package of this program comes near this; a larger one is refused unread.
constexpr qint64 MaxPackageBytes = 512LL * 1024 * 1024;

// The SHA-256 of a file's bytes as lower-case hex; empty when it cannot be read.
QString Sha256OfFile(const QString &path);

// Starts a program detached, in a working folder; false when it could not be started.
using Starter = std::function<bool(const QString &program, const QStringList &arguments,
                                   const QString &workingFolder)>;
// Who starts the installer (see base/Seam.h): tests capture the call. Empty: the program
// is started as a process of its own, which outlives the reader.
struct StartSeam
{
    using Type = Starter;
};
// Starts the installer in the install folder with the main window's caption as its one
// argument.
bool StartInstaller(const QString &caption);

} // namespace UpdateHandOff
