#pragma once

#include <QString>
#include <QStringList>

// Where an archive entry may be written. Archives come from the internet, so a name
// is taken only when it stays inside the extraction folder.
namespace ZipEntryPath {

// The folder parts and file name of an entry name ("a/b/c.txt" -> a, b, c.txt), with
// empty and "." parts dropped. Refused (empty list, reason set): a ".." part, an
// absolute name, a drive letter, a backslash (a Windows separator that would make a
// name of its own here), a NUL or other control character, or nothing left at all.
QStringList split(const QString &entryName, QString *reason = nullptr);

// Creates the folders of parts (all but the last) under root, one at a time, refusing
// to pass through anything that is not a real folder (a symbolic link placed there
// earlier would lead outside root). Returns the full path of the last part, or an
// empty string with the reason set.
// The folders it makes are added to made, when given.
QString prepare(const QString &root, const QStringList &parts, QString *reason = nullptr,
                QStringList *made = nullptr);

} // namespace ZipEntryPath
