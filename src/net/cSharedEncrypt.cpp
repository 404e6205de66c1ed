#include "net/cSharedEncrypt.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/Trace.h"
#include "documents/HtmlEntities.h"
#include "documents/cSharedHTML.h"

#include <QHash>

namespace {

constexpr int kShift = 100;
// Decrypt takes a value whose first character lies at or below this code as stored in
// plain.
constexpr int kPlainMark = 128;

[[noreturn]] void cannotCarry()
{
    throw Failure(FailureCode::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
}

int codeOf(QChar c)
{
    return static_cast<unsigned char>(CodePage::charToByte(c));
}

// What the entity step (cSharedHTML::CharToHtml) turns into a name of its own.
bool namedByEntityStep(int code)
{
    return code == 150 || code == 151 || (code >= 161 && code != 162 && code != 223);
}

bool isAsciiAlnum(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

// Whether the "&" at `at` would be read back as the start of an entity ("&lt;"), the way
// cSharedHTML::HtmlToChar reads one.
bool startsEntity(const QString &text, qsizetype at)
{
    qsizetype end = at + 1;
    while (end < text.size() && end - at - 1 < HtmlEntities::kMaxNameLength
           && isAsciiAlnum(text[end]))
        ++end;
    return end < text.size() && text[end] == QLatin1Char(';')
        && HtmlEntities::lookup(QStringView(text).sliced(at + 1, end - at - 1)) != 0;
}

// "&name;" for a character that reads back as itself through its name, empty when it has
// none (a no-break space reads back as a blank, so it has none here).
QString entityFor(QChar c)
{
    static const QHash<char16_t, QString> names = [] {
        QHash<char16_t, QString> result;
        int count = 0;
        const HtmlEntities::Entry *entries = HtmlEntities::table(&count);
        for (int i = 0; i < count; ++i) {
            const char32_t cp = entries[i].codePoint;
            const QString name = QString::fromLatin1(entries[i].name);
            if (cp > 0xFFFF || cp == 0xA0 || result.contains(char16_t(cp))
                || HtmlEntities::lookup(name) != cp)
                continue;
            result.insert(char16_t(cp), QLatin1Char('&') + name + QLatin1Char(';'));
        }
        return result;
    }();
    return names.value(c.unicode());
}

// The password with the characters that the entity step leaves alone but the stored form
// could not bring back written as entities: an "&" that would read as the start of one,
// a character that cannot be moved up by 100, and a first character that would be moved
// to 128 or below (the mark of a value stored in plain). Throws for a character that has
// no way back (NUL, one without a name).
QString withEntitiesNeeded(const QString &password)
{
    QString out;
    out.reserve(password.size());
    for (qsizetype i = 0; i < password.size(); ++i) {
        const QChar c = password[i];
        if (c == QLatin1Char('&')) {
            out += startsEntity(password, i) ? QStringLiteral("&amp;") : QStringLiteral("&");
            continue;
        }
        if (c.isNull())
            cannotCarry();
        const bool encodable = CodePage::canEncode(c);
        const int code = encodable ? codeOf(c) : 0;
        const bool movable = encodable && (code + kShift <= 255 || namedByEntityStep(code))
            && !(i == 0 && code + kShift <= kPlainMark);
        if (movable) {
            out += c;
            continue;
        }
        const QString entity = entityFor(c);
        if (entity.isEmpty())
            cannotCarry();
        out += entity;
    }
    return out;
}

} // namespace

QString cSharedEncrypt::Encrypt(const QString &StringToEnCrypt)
{
    try {
        QString s = withEntitiesNeeded(StringToEnCrypt);
        cSharedHTML::CharToHtml(s);
        QString result;
        result.reserve(s.size());
        for (QChar c : std::as_const(s)) {
            const int code = codeOf(c) + kShift;
            if (!CodePage::canEncode(c) || code > 255)
                cannotCarry();
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
