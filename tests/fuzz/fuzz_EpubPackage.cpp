#include "documents/EpubNavigation.h"
#include "documents/EpubPackage.h"

#include <cstddef>
#include <cstdint>

// The XML a hostile book controls: container.xml, the package document, encryption.xml,
// the EPUB 3 navigation document and the EPUB 2 NCX. One input goes through each.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)EpubPackage::rootfilePath(bytes);
    (void)EpubPackage::encryptedEntries(bytes);
    EpubPackage package;
    if (package.parse(bytes, QStringLiteral("OEBPS/content.opf"))) {
        for (const EpubPackage::SpineEntry &entry : package.spine())
            (void)package.documentFor(entry.idref);
        (void)package.navigationPath();
        (void)package.ncxPath();
    }
    (void)EpubNavigation::fromNav(bytes, QStringLiteral("OEBPS/nav.xhtml"));
    (void)EpubNavigation::fromNcx(bytes, QStringLiteral("OEBPS/toc.ncx"));
    return 0;
}
