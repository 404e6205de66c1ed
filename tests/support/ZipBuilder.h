#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Zip archives made by the tests themselves (through libzip), including the hostile
// ones a download may bring: names that climb out of the folder, links, forged sizes.
struct ZipItem
{
    // Program: a file with execute bits (0755), as a program in an archive has them.
    enum Kind { File, Folder, Symlink, Program };
    ZipItem(QByteArray name, QByteArray data = {}, Kind kind = File, bool deflate = true,
            QByteArray password = {})
        : name(std::move(name))
        , data(std::move(data))
        , kind(kind)
        , deflate(deflate)
        , password(std::move(password))
    {
    }
    QByteArray name; // stored as given, unchecked
    QByteArray data; // a file's contents, or a link's target
    Kind kind = File;
    bool deflate = true;
    QByteArray password; // traditional PKWARE encryption when set
};

// False when libzip refused to write the archive.
bool writeZip(const QString &path, const QList<ZipItem> &items);

// Rewrites the uncompressed size of the archive's first entry in both its local
// header and the central directory, so it declares less than it holds.
bool forgeFirstEntrySize(const QString &path, quint32 declaredSize);
