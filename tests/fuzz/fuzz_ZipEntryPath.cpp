// Archive entry names (as libzip hands them over, bytes as UTF-8) through ZipEntryPath: a
// name that is accepted ends in a path inside the extraction folder, and the folders made
// for it are real folders inside it.
#include "CatalogueFuzz.h"

#include "library/ZipEntryPath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir work;
    static const QString root = work.path() + QStringLiteral("/out");
    QDir(root).removeRecursively();
    QDir().mkpath(root);

    const QString name =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    QString reason;
    const QStringList parts = ZipEntryPath::split(name, &reason);
    if (parts.isEmpty()) {
        require(!reason.isEmpty(), "a refusal says why", name);
        return 0;
    }
    for (const QString &part : parts) {
        require(!part.isEmpty() && part != QLatin1String(".") && part != QLatin1String(".."),
                "plain parts", name);
        require(!part.contains(u'/') && !part.contains(u'\\'), "one name a part", name);
    }
    const QString target = ZipEntryPath::prepare(root, parts, &reason);
    if (target.isEmpty())
        return 0; // a name the file system refuses (too long, say)
    require(target.startsWith(root + u'/'), "inside the folder", target);
    require(QDir::cleanPath(target) == target, "no . or .. in the path", target);
    // What prepare made is real folders under the root, nothing else and nowhere else.
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString parent = QFileInfo(target).absolutePath();
    struct stat st;
    require(::lstat(QFile::encodeName(parent).constData(), &st) == 0 && S_ISDIR(st.st_mode),
            "the parent is a folder", parent);
    require(QFileInfo(parent).canonicalFilePath().startsWith(canonicalRoot), "the parent is inside",
            parent);
    require(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                == QStringList { QStringLiteral("out") },
            "nothing beside the folder", name);
    return 0;
}
