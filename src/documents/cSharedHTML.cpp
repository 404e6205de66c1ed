#include "documents/cSharedHTML.h"

#include "base/CodePage.h"
#include "base/Trace.h"
#include "base/cSharedText.h"
#include "documents/HtmlEntities.h"
#include "documents/HtmlLibrary.h"

#include <array>
#include <cmath>

// The search for markup and references, fast where the needle starts with a character
// that has no case ("<BR>", "</head>", "&hellip;", "\r\r\n") or case matters: those are
// found by the vectorised search for that one character, then compared, instead of
// hashing or folding every character of a whole book for each needle.
qsizetype cSharedHTML::IndexOf(QStringView text, QStringView needle, qsizetype from,
                               Qt::CaseSensitivity cs)
{
    if (needle.isEmpty())
        return text.indexOf(needle, from, cs);
    const QChar first = needle.front();
    if (cs == Qt::CaseInsensitive && (first.toLower() != first || first.toUpper() != first))
        return text.indexOf(needle, from, cs);
    const QStringView rest = needle.sliced(1);
    const qsizetype last = text.size() - needle.size();
    for (qsizetype pos = text.indexOf(first, from); pos >= 0 && pos <= last;
         pos = text.indexOf(first, pos + 1)) {
        if (text.sliced(pos + 1, rest.size()).compare(rest, cs) == 0)
            return pos;
    }
    return -1;
}

namespace {

const QString kModule = QStringLiteral("cHtml");

bool isBlank(const QString &text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

// One left-to-right pass into a fresh buffer: never a rescan from the start per
// occurrence, and never a search through text just inserted.
void replaceAll(QString &text, QStringView find, QStringView replacement, Qt::CaseSensitivity cs)
{
    if (find.isEmpty() || text.isEmpty())
        return;
    const QStringView in(text);
    qsizetype hit = cSharedHTML::IndexOf(in, find, 0, cs);
    if (hit < 0)
        return;
    QString out;
    out.reserve(replacement.size() > find.size() ? text.size() + text.size() / 4 : text.size());
    qsizetype from = 0;
    while (hit >= 0) {
        out.append(in.sliced(from, hit - from));
        out.append(replacement);
        from = hit + find.size();
        hit = cSharedHTML::IndexOf(in, find, from, cs);
    }
    out.append(in.sliced(from));
    text = std::move(out);
}

// The entity names that CharToHtml writes for Latin-1 161..255, from the same table the
// converter reads, so the two directions cannot drift apart.
const std::array<QString, 256> &latin1Names()
{
    static const std::array<QString, 256> names = [] {
        std::array<QString, 256> result;
        int count = 0;
        const HtmlEntities::Entry *entries = HtmlEntities::table(&count);
        for (int i = 0; i < count; ++i) {
            const char32_t cp = entries[i].codePoint;
            if (cp >= 161 && cp <= 255 && result[cp].isEmpty())
                result[cp] = QLatin1Char('&') + QLatin1String(entries[i].name) + QLatin1Char(';');
        }
        return result;
    }();
    return names;
}

// A lenient decimal reading: leading blanks, an optional sign, digits and an optional
// fraction; whatever cannot be read counts as 0.
double leadingNumber(QStringView body)
{
    qsizetype i = 0;
    while (i < body.size() && (body[i] == QLatin1Char(' ') || body[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < body.size() && (body[i] == QLatin1Char('-') || body[i] == QLatin1Char('+'))) {
        negative = body[i] == QLatin1Char('-');
        ++i;
    }
    double value = 0;
    while (i < body.size() && body[i].unicode() >= '0' && body[i].unicode() <= '9') {
        value = value * 10 + (body[i].unicode() - '0');
        ++i;
    }
    if (i < body.size() && body[i] == QLatin1Char('.')) {
        double scale = 0.1;
        for (++i; i < body.size() && body[i].unicode() >= '0' && body[i].unicode() <= '9'; ++i) {
            value += (body[i].unicode() - '0') * scale;
            scale /= 10;
        }
    }
    return negative ? -value : value;
}

// Leading hexadecimal digits; none gives 0. Values past Unicode stop growing.
double leadingHex(QStringView digits)
{
    double value = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        int d = -1;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        if (d < 0)
            break;
        value = value * 16 + d;
        if (value > 0x10FFFF)
            break;
    }
    return value;
}

// What one numeric reference becomes. Small numbers go through the code page, as
// browsers do (so "&#150;" is an en dash); larger ones are the Unicode character
// itself, since deleting them would lose whole pages written in references.
QString numericReference(QStringView body)
{
    static const struct
    {
        const char16_t *digits;
        const char16_t *text;
    } named[] = {
        { u"8230", u"..." }, { u"8220", u"\"" },     { u"8221", u"\"" },     { u"8216", u"'" },
        { u"8217", u"'" },   { u"8212", u"-" },      { u"8211", u"-" },      { u"8243", u"\"" },
        { u"8242", u"'" },   { u"8364", u"\u20AC" }, { u"8226", u"\u2022" },
    };
    for (const auto &n : named) {
        if (body == QStringView(n.digits))
            return QString::fromUtf16(n.text);
    }

    const bool hex =
        !body.isEmpty() && (body[0] == QLatin1Char('x') || body[0] == QLatin1Char('X'));
    const double value = hex ? leadingHex(body.sliced(1)) : leadingNumber(body);
    if (!(value > 0) || value > 0x10FFFF)
        return {};
    // Halves go to the even neighbour; a fraction that rounds to 0 would be a NUL,
    // which cuts the document short later on, so it is deleted instead.
    const double rounded = std::nearbyint(value);
    if (rounded < 1)
        return {};
    const auto code = char32_t(rounded);
    if (value < 255)
        return QString(CodePage::byteToChar(static_cast<unsigned char>(code)));
    if (code >= 0xD800 && code <= 0xDFFF)
        return {};
    return QString::fromUcs4(&code, 1);
}

// A "&#" whose ";" lies further than this, or past a blank, markup or a line end, is
// text: deleting up to any later ";" would swallow whole sentences.
constexpr qsizetype kMaxReferenceBody = 32;

bool plausibleReferenceBody(QStringView body)
{
    if (body.size() > kMaxReferenceBody)
        return false;
    for (QChar c : body) {
        if (c == QLatin1Char('&') || c == QLatin1Char('<') || c.isSpace())
            return false;
    }
    return true;
}

void convertNumericReferences(QString &text)
{
    const QStringView in(text);
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    qsizetype semi = -1; // the next ";" at or after the current reference
    while (true) {
        const qsizetype amp = cSharedHTML::IndexOf(in, u"&#", from, Qt::CaseSensitive);
        if (amp < 0)
            break;
        if (semi < amp + 2)
            semi = in.indexOf(QLatin1Char(';'), amp + 2);
        if (semi < 0)
            break;
        const QStringView body = in.sliced(amp + 2, semi - amp - 2);
        out.append(in.sliced(from, amp - from));
        if (plausibleReferenceBody(body)) {
            out.append(numericReference(body));
            from = semi + 1;
        } else {
            out.append(u"&#");
            from = amp + 2;
        }
    }
    out.append(in.sliced(from));
    text = std::move(out);
}

void removeBareStyleBlocks(QString &text)
{
    const QStringView in(text);
    QString out;
    qsizetype from = 0;
    while (true) {
        const qsizetype open = cSharedHTML::IndexOf(in, u"<style>", from, Qt::CaseInsensitive);
        if (open < 0)
            break;
        const qsizetype close =
            cSharedHTML::IndexOf(in, u"</style>", open + 7, Qt::CaseInsensitive);
        if (close < 0)
            break;
        out.append(in.sliced(from, open - from));
        from = close + 8;
    }
    if (from == 0)
        return;
    out.append(in.sliced(from));
    text = std::move(out);
}

} // namespace

void cSharedHTML::HtmlToPlainText(QString &StringToConvert)
{
    if (isBlank(StringToConvert))
        return;
    TrimHeadTags(StringToConvert);
    ConvertBR(StringToConvert);
    // Markup goes before references are turned into characters, so that escaped markup
    // ("Use the &lt;br&gt; element") stays in the text.
    StripHtml(StringToConvert);
    HtmlToChar(StringToConvert);
    HTMLConstToChar(StringToConvert);
    // A line end written twice over (CR CR LF, from a text-mode copy) is one line end.
    // Doubled lone LF or CR are blank lines of an LF or CR file and stay.
    ReplaceWith_NC(StringToConvert, QStringLiteral("\r\r\n"), QStringLiteral("\r\n"));
}

void cSharedHTML::TrimHeadTags(QString &LoadedString)
{
    const qsizetype end = cSharedHTML::IndexOf(LoadedString, u"</head>", 0, Qt::CaseInsensitive);
    if (end >= 0)
        LoadedString.remove(0, end + 7);
}

void cSharedHTML::ConvertBR(QString &LoadedString)
{
    ReplaceWith(LoadedString, QStringLiteral("<BR>"), QStringLiteral("\r\n"));
}

void cSharedHTML::HtmlToChar(QString &StringToStrip)
{
    if (isBlank(StringToStrip))
        return;
    Trace::attempt(QStringLiteral("HtmlToChar"), kModule, [&] {
        // The converter's output ends at the first NUL of its input.
        const qsizetype nul = StringToStrip.indexOf(QChar(0));
        // Without a reference there is nothing to convert (a whole plain-text book).
        if (nul < 0 && !StringToStrip.contains(QLatin1Char('&')))
            return;
        QStringView source(StringToStrip);
        if (nul >= 0)
            source = source.first(nul);
        StringToStrip = HtmlLibrary::cHtmlToChar(source);
    });
}

void cSharedHTML::HTMLConstToChar(QString &StringToStrip)
{
    if (isBlank(StringToStrip))
        return;
    Trace::attempt(QStringLiteral("HTMLConstToChar"), kModule, [&] {
        replaceAll(StringToStrip, u"&hellip;", u"...", Qt::CaseInsensitive);
        replaceAll(StringToStrip, u"&bull;", u"\u2022", Qt::CaseInsensitive);
        replaceAll(StringToStrip, u"&prime;", u"'", Qt::CaseSensitive);
        replaceAll(StringToStrip, u"&Prime;", u"\"", Qt::CaseSensitive);
        if (cSharedHTML::IndexOf(StringToStrip, u"&#", 0, Qt::CaseSensitive) >= 0)
            convertNumericReferences(StringToStrip);
    });
}

void cSharedHTML::StripHtml(QString &StringToAlter)
{
    if (isBlank(StringToAlter))
        return;
    Trace::attempt(QStringLiteral("StripHtml"), kModule, [&] {
        if (StringToAlter.contains(QLatin1Char('<')) && StringToAlter.contains(QLatin1Char('>'))) {
            removeBareStyleBlocks(StringToAlter);
            HtmlLibrary::cStripHTML(StringToAlter);
        }
        CutOffNull(StringToAlter);
    });
}

void cSharedHTML::CutOffNull(QString &StringToCut)
{
    const qsizetype nul = StringToCut.indexOf(QChar(0));
    if (nul >= 0)
        StringToCut.truncate(nul);
}

void cSharedHTML::MyReplace(QString &StringToAlter, const QString &LookFor,
                            const QString &ReplaceWithText, bool MatchCase)
{
    Trace::attempt(QStringLiteral("MyReplace"), kModule, [&] {
        replaceAll(StringToAlter, LookFor, ReplaceWithText,
                   MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    });
}

void cSharedHTML::ReplaceWith(QString &WorkingString, const QString &LookFor,
                              const QString &Replacement)
{
    Trace::attempt(QStringLiteral("ReplaceWith"), kModule,
                   [&] { replaceAll(WorkingString, LookFor, Replacement, Qt::CaseInsensitive); });
}

void cSharedHTML::ReplaceWith_NC(QString &WorkingString, const QString &LookFor,
                                 const QString &Replacement)
{
    Trace::attempt(QStringLiteral("ReplaceWith_NC"), kModule,
                   [&] { replaceAll(WorkingString, LookFor, Replacement, Qt::CaseSensitive); });
}

QString cSharedHTML::ByteArrayToString(const QByteArray &ByteArray)
{
    QString result;
    Trace::attempt(QStringLiteral("ByteArrayToString"), kModule, [&] {
        const qsizetype zero = ByteArray.indexOf('\0');
        const qsizetype size = zero >= 0 ? zero : ByteArray.size();
        result = cSharedText::TrimBlanks(CodePage::toUnicode(ByteArray.constData(), size));
    });
    return result;
}

void cSharedHTML::CharToHtml(QString &StringToStrip)
{
    if (isBlank(StringToStrip))
        return;
    Trace::attempt(QStringLiteral("CharToHtml"), kModule, [&] {
        const auto &names = latin1Names();
        QString out;
        out.reserve(StringToStrip.size() * 2);
        for (QChar c : std::as_const(StringToStrip)) {
            const char16_t u = c.unicode();
            switch (u) {
            case u'"':
                out.append(u"&quot;");
                break;
            case u' ':
                out.append(u"&nbsp;");
                break;
            case u'<':
                out.append(u"&lt;");
                break;
            case u'>':
                out.append(u"&gt;");
                break;
            case 0x2013:
                out.append(u"&ndash;");
                break;
            case 0x2014:
                out.append(u"&mdash;");
                break;
            default:
                // The cent sign and sharp s stay as they are.
                if (u >= 161 && u <= 255 && u != 162 && u != 223 && !names[u].isEmpty())
                    out.append(names[u]);
                else
                    out.append(c);
            }
        }
        StringToStrip = std::move(out);
    });
}
