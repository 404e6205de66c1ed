#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What passes from the reader to its installer, OrlinUpdater: the file "updater.ini" in
// the program folder names the downloaded package (line 1) and, when the version file
// gave one, its SHA-256 ("sha256=<hex>", line 2), which the installer checks again before
// it unpacks anything. Also where the installer works and how it is started.
namespace UpdateHandOff {

// The installer's file name, beside the reader's executable.
QString InstallerName();
// The reader's executable name in the install folder.
QString ProgramName();
QString HandOffFileName();

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
    // Lower-case hex, empty when no checksum was given.
    QString sha256;
};

// Writes folder/updater.ini (replacing it whole). Throws Failure when it cannot.
void WriteHandOffFile(const QString &folder, const HandOff &handOff);
// Reads folder/updater.ini; nothing when it is missing, names no package, or names one
// that is not a plain file name in that folder.
std::optional<HandOff> ReadHandOffFile(const QString &folder);

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
