#include "documents/DocxReader.h"
#include "documents/OdtReader.h"

#include <cstddef>
#include <cstdint>

// The XML readers of Word and OpenDocument files. The input is cut at form feeds into the
// parts a package holds (document, styles, footnotes, endnotes, properties), so one input
// can steer how they meet; OpenDocument gets the first two as content and meta.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> pieces = bytes.split('\f');
    auto piece = [&](qsizetype i) { return i < pieces.size() ? pieces[i] : QByteArray(); };
    DocxReader::Parts parts;
    parts.document = piece(0);
    parts.styles = piece(1);
    parts.footnotes = piece(2);
    parts.endnotes = piece(3);
    parts.coreProperties = piece(4);
    (void)DocxReader::fromParts(parts);
    (void)OdtReader::fromParts(piece(0), piece(1));
    return 0;
}
