// Archive bytes unpacked by the zip wrapper with folder names on: nothing is ever made
// outside the extraction folder, no link is made inside it, and nothing is executable.
// The bounds are small so a bomb costs the fuzzer nothing.
#include "CatalogueFuzz.h"

#include "library/cSHAREDUnzip2.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir work;
    const QString zip = work.filePath(QStringLiteral("in.zip"));
    const QString out = work.filePath(QStringLiteral("out"));
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    {
        QFile f(zip);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    cSHAREDUnzip2 unzip;
    unzip.setTraceFailures(false);
    cSHAREDUnzip2::Limits limits;
    limits.totalBytes = 8 * 1024 * 1024;
    limits.entries = 200;
    limits.spareBytes = 0;
    unzip.setLimits(limits);
    unzip.setZipfile(zip);
    unzip.setUnzipFolder(out);
    unzip.setUseFolderNames(true);
    unzip.setOverwriteExisting(true);
    QObject::connect(&unzip, &cSHAREDUnzip2::PasswordRequest,
                     [](QString &password, bool &) { password = QStringLiteral("secret"); });
    const bool ok = unzip.Unzip();
    require(ok || unzip.LastProblem() != cSHAREDUnzip2::Problem::None, "a failure says why");

    const QStringList beside =
        QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    require(beside == QStringList({ QStringLiteral("in.zip"), QStringLiteral("out") }),
            "nothing outside the folder", beside.join(u' '));
    QDirIterator it(out, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    qint64 total = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        require(::lstat(QFile::encodeName(path).constData(), &st) == 0, "readable", path);
        require(!S_ISLNK(st.st_mode), "no link", path);
        require(S_ISDIR(st.st_mode) || (st.st_mode & 0111) == 0, "not executable", path);
        require(!QFileInfo(path).fileName().startsWith(QStringLiteral(".orlin-unzip-")),
                "no temporary file left", path);
        if (S_ISREG(st.st_mode))
            total += st.st_size;
    }
    require(total <= limits.totalBytes, "within the bound");
    for (const QString &file : unzip.ExtractedFiles())
        require(file.startsWith(out + u'/'), "extracted inside", file);
    return 0;
}
