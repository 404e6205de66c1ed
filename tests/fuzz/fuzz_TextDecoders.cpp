// The two decoders of outside bytes: documents (byte-order mark, valid UTF-8, else
// Windows-1252) and Orlin's own files (UTF-8 when valid, else Windows-1252). Checked
// against what must hold for any bytes.
#include "base/TextFileEncoding.h"
#include "documents/TextDecoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const bool valid = TextFileEncoding::isValidUtf8(bytes.constData(), bytes.size());
    const QString own = TextFileEncoding::decode(bytes);
    if (valid == TextFileEncoding::isLegacy(bytes))
        fail("a file is either UTF-8 or legacy");
    // Valid UTF-8 reads back whole, but for byte-order marks in front: the reading drops
    // the editor's mark, and Qt's decoder one more.
    if (valid) {
        const QByteArray written = TextFileEncoding::encode(own);
        QByteArray front = bytes.chopped(qMin(written.size(), bytes.size()));
        if (!bytes.endsWith(written) || front.replace("\xEF\xBB\xBF", "").size() != 0)
            fail("valid UTF-8 does not survive a read and a write");
    }
    if (!valid && own.size() != bytes.size())
        fail("Windows-1252 gives one character per byte");
    // A text that itself begins with U+FEFF loses it on the way (the reading takes it for
    // a mark); the writers of such texts (updater.ini) deal with that themselves.
    if (!own.startsWith(QChar(0xFEFF))
        && TextFileEncoding::decode(TextFileEncoding::encode(own)) != own)
        fail("what Orlin writes does not read back");

    const TextDecoding::Encoding encoding = TextDecoding::detect(bytes);
    const QString document = TextDecoding::decodeDocument(bytes);
    if (encoding == TextDecoding::Encoding::Windows1252 && document.size() != bytes.size())
        fail("Windows-1252 gives one character per byte");
    if (encoding == TextDecoding::Encoding::Utf8 && !bytes.startsWith("\xEF\xBB\xBF")
        && document != own)
        fail("a document of valid UTF-8 reads as Orlin's own files do");
    return 0;
}
