#include "support/ZipBuilder.h"

#include <QFile>

#include <cstring>
#include <sys/stat.h>
#include <zip.h>

bool writeZip(const QString &path, const QList<ZipItem> &items)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    bool ok = true;
    for (const ZipItem &item : items) {
        zip_int64_t index = -1;
        if (item.kind == ZipItem::Folder) {
            index = zip_dir_add(z, item.name.constData(), ZIP_FL_ENC_RAW);
        } else {
            // libzip keeps the pointer until the archive is closed: the item outlives it.
            zip_source_t *src =
                zip_source_buffer(z, item.data.constData(), zip_uint64_t(item.data.size()), 0);
            index = src ? zip_file_add(z, item.name.constData(), src, ZIP_FL_ENC_RAW) : -1;
            if (index < 0 && src)
                zip_source_free(src);
        }
        if (index < 0) {
            ok = false;
            break;
        }
        const auto i = zip_uint64_t(index);
        if (item.kind != ZipItem::Folder)
            zip_set_file_compression(z, i, item.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        if (item.kind == ZipItem::Symlink)
            zip_file_set_external_attributes(z, i, 0, ZIP_OPSYS_UNIX, (S_IFLNK | 0777) << 16);
        if (item.kind == ZipItem::Program)
            zip_file_set_external_attributes(z, i, 0, ZIP_OPSYS_UNIX, (S_IFREG | 0755) << 16);
        if (!item.password.isEmpty()
            && zip_file_set_encryption(z, i, ZIP_EM_TRAD_PKWARE, item.password.constData()) != 0) {
            ok = false;
            break;
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        return false;
    }
    return ok;
}

bool forgeFirstEntrySize(const QString &path, quint32 declaredSize)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = f.readAll();
    const auto put = [&](qsizetype at) {
        if (at < 0 || at + 4 > bytes.size())
            return false;
        for (int b = 0; b < 4; ++b)
            bytes[at + b] = char((declaredSize >> (8 * b)) & 0xff);
        return true;
    };
    // Local header: size at 22; central directory entry: size at 24.
    const qsizetype central = bytes.indexOf("PK\x01\x02");
    if (!bytes.startsWith("PK\x03\x04") || central < 0 || !put(22) || !put(central + 24))
        return false;
    f.seek(0);
    return f.write(bytes) == bytes.size();
}
