#include "net/cSharedDecrypt.h"

#include "base/CodePage.h"
#include "base/Trace.h"
#include "documents/cSharedHTML.h"

namespace {

int codeOf(QChar c)
{
    return static_cast<unsigned char>(CodePage::charToByte(c));
}

bool isBlank(const QString &text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

} // namespace

QString cSharedDecrypt::Decrypt(const QString &StringToDecrypt)
{
    const QString module = QStringLiteral("modDecrypt");
    const QString procedure = QStringLiteral("Decrypt");
    QString t;
    Trace::attempt(procedure, module, [&] {
        if (StringToDecrypt.isEmpty())
            return;
        if (codeOf(StringToDecrypt.front()) <= 128) {
            t = StringToDecrypt;
            return;
        }
        t.reserve(StringToDecrypt.size());
        for (QChar c : StringToDecrypt) {
            const int code = codeOf(c);
            t += code > 100 ? CodePage::byteToChar(static_cast<unsigned char>(code - 100)) : c;
        }
    });
    QString u = t;
    Trace::attempt(procedure, module, [&] { cSharedHTML::HtmlToChar(u); });
    return isBlank(u) ? t : u;
}

cSharedDecrypt &cSharedDecrypt::instance()
{
    static cSharedDecrypt decrypt;
    return decrypt;
}
