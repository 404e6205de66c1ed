#include "platform/RtfCodePages.h"

#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 1361:
        return "JOHAB";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 20127:
        return "ASCII";
    case 20932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + QByteArray::number(codePage - 28590);
    return "CP" + QByteArray::number(codePage);
}

} // namespace

RtfCodePages::~RtfCodePages()
{
    for (void *cd : std::as_const(m_converters)) {
        if (cd)
            iconv_close(static_cast<iconv_t>(cd));
    }
}

int RtfCodePages::codePageForCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0; // ANSI, default, symbol: the document's own code page
    }
}

bool RtfCodePages::isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950
        || codePage == 1361;
}

void *RtfCodePages::converterFor(int codePage)
{
    const auto it = m_converters.constFind(codePage);
    if (it != m_converters.constEnd())
        return *it;
    iconv_t cd = iconv_open("UTF-16LE", iconvName(codePage).constData());
    void *handle = cd == kNoConverter ? nullptr : static_cast<void *>(cd);
    m_converters.insert(codePage, handle);
    return handle;
}

QString RtfCodePages::decode(int codePage, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    if (codePage == 65001)
        return QString::fromUtf8(bytes);
    void *handle = (codePage <= 0 || codePage == 1252) ? nullptr : converterFor(codePage);
    if (!handle)
        return CodePage::toUnicode(bytes);

    auto cd = static_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QString out;
    // No single-byte or double-byte page yields more than one UTF-16 unit per byte.
    QByteArray buffer(bytes.size() * 2 + 8, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        size_t outLeft = size_t(buffer.size());
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const auto produced = qsizetype(buffer.size() - qsizetype(outLeft));
        out.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.constData()),
                                      produced / 2));
        if (rc != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An undefined or truncated byte: mark it and go on with the next one.
        out.append(QChar::ReplacementCharacter);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}
