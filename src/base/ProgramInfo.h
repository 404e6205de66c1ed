#pragma once

#include <QString>

// Where the program lives and what it is called. The program folder holds every
// file Orlin keeps (settings, bookmarks, pronunciation list, log, languages).
namespace ProgramInfo {

// The executable's folder when it is writable (a portable install, which the tests
// use), otherwise the per-user data folder, created on first use. Resolved once.
QString programFolder();

// Whether a program in this folder keeps its files beside itself: the folder is writable
// and is not the bin folder of an installation (one with share/orlin beside it), where
// settings must not land among the programs even when the user may write there (root, or
// a prefix the user owns).
bool isPortableFolder(const QString &exeDir);

// Another program folder than the resolved one (see base/Seam.h): tests and tools point the
// program elsewhere. Empty: the resolved folder.
struct FolderSeam
{
    using Type = QString;
};

// Points the program at another folder for good (Seam::install of FolderSeam); a test
// replaces it for a scope instead (TempProgramFolder).
void setProgramFolder(const QString &folder);

// The program folder joined with a file name, with the native separator.
QString programFile(const QString &fileName);

// The executable's file name without extension ("Orlin").
QString exeName();

int versionMajor();
int versionMinor();
int versionRevision();

// Major, minor and revision joined by "." ("1.0.0").
QString versionText();

// The product's web site, named in the start-up failure messages.
QString webSite();

// The maker's name, shown on the splash window and in the about box.
QString makerName();

// Where bug reports are mailed: a fixed name with the year in four digits, at the mail
// domain of the web site, so that each year's address can be retired on its own.
QString bugReportAddress(int year);

// The web site's page about a help topic (its help index when the topic is empty).
QString helpPage(const QString &topic);

} // namespace ProgramInfo
