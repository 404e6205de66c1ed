#include "documents/ZipArchiveReader.h"

#include <cstddef>
#include <cstdint>

// An archive from outside: opening it, reading every entry under small limits, and
// resolving its names as references must end in data or a message.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ZipArchiveReader::Limits limits;
    limits.entries = 200;
    limits.entryBytes = 1 << 20;
    limits.totalBytes = 4 << 20;
    limits.ratioFloor = 64 << 10;
    ZipArchiveReader zip(limits);
    if (!zip.open(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))))
        return 0;
    for (const QString &name : zip.names()) {
        (void)zip.read(name);
        (void)ZipArchiveReader::resolve(name, name);
        (void)ZipArchiveReader::resolve(QStringLiteral("OEBPS/text/a.xhtml"), name);
    }
    return 0;
}
