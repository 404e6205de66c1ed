#include "net/cSharedEncrypt.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/Trace.h"
#include "documents/cSharedHTML.h"

QString cSharedEncrypt::Encrypt(const QString &StringToEnCrypt)
{
    try {
        QString s = StringToEnCrypt;
        cSharedHTML::CharToHtml(s);
        QString result;
        result.reserve(s.size());
        for (QChar c : std::as_const(s)) {
            const int code = static_cast<unsigned char>(CodePage::charToByte(c)) + 100;
            if (!CodePage::canEncode(c) || code > 255)
                throw Failure(FailureCode::InvalidCall,
                              QStringLiteral("Invalid procedure call or argument"));
            result += CodePage::byteToChar(static_cast<unsigned char>(code));
        }
        return result;
    } catch (const std::exception &e) {
        Trace::record(Trace::asFailure(e), QStringLiteral("Encrypt"), QStringLiteral("modEncrypt"));
        throw;
    }
}

cSharedEncrypt &cSharedEncrypt::instance()
{
    static cSharedEncrypt encrypt;
    return encrypt;
}
