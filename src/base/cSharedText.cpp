#include "base/cSharedText.h"

#include "base/Trace.h"

#include <QCollator>
#include <QLocale>

namespace {

bool isJunk(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(' ')
        || c == QLatin1Char('-');
}

const QString kModule = QStringLiteral("cText");

} // namespace

void cSharedText::EatCrapFromStart(QString &Content)
{
    Trace::attempt(QStringLiteral("EatCrapFromStart"), kModule, [&] {
        // One removal of the whole junk prefix: the same result as removing one
        // character at a time, without the quadratic cost on a long run of dashes.
        qsizetype i = 0;
        while (i < Content.size() && isJunk(Content[i]))
            ++i;
        if (i > 0)
            Content.remove(0, i);
    });
}

void cSharedText::EatCrapFromEnd(QString &Content)
{
    Trace::attempt(QStringLiteral("EatCrapFromEnd"), kModule, [&] {
        qsizetype end = Content.size();
        while (end > 0 && isJunk(Content[end - 1]))
            --end;
        Content.truncate(end);
    });
}

bool cSharedText::StringsEqual(const QString &First, const QString &Second)
{
    // Compared as Unicode: through a single-byte code page every Cyrillic or Polish name
    // of one length would have been the same row of "?".
    const QString a = TrimcTrim(First);
    const QString b = TrimcTrim(Second);
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    if (a.isEmpty() || b.isEmpty())
        return false;
    thread_local QCollator collator = [] {
        QCollator c { QLocale() };
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b) == 0;
}

bool cSharedText::StringContains(const QString &Parent, const QString &Child)
{
    return Parent.contains(Child, Qt::CaseInsensitive);
}

QString cSharedText::TrimNull(const QString &sStringToTrim)
{
    const qsizetype nul = sStringToTrim.indexOf(QChar(0));
    return RTrimBlanks(nul >= 0 ? sStringToTrim.left(nul) : sStringToTrim);
}

QString cSharedText::cTrim(const QString &StringToTrim)
{
    return TrimNull(StringToTrim);
}

QString cSharedText::TrimcTrim(const QString &StringToTrim)
{
    return TrimBlanks(TrimNull(StringToTrim));
}

QString cSharedText::AddQuotes(const QString &BareString)
{
    return QLatin1Char('"') + BareString + QLatin1Char('"');
}

QString cSharedText::LTrimBlanks(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString cSharedText::RTrimBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

QString cSharedText::TrimBlanks(const QString &text)
{
    return LTrimBlanks(RTrimBlanks(text));
}
