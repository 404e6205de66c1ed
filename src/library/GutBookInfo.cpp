#include "library/GutBookInfo.h"

#include "base/cSharedFileSubs.h"
#include "library/GutenbergHosts.h"

#include <QRegularExpression>

namespace {

const QString kAustralianMark = QStringLiteral("*PG-OZ*");

QString collapseBlanks(QString text)
{
    while (text.contains(QLatin1String("  ")))
        text.replace(QLatin1String("  "), QLatin1String(" "));
    return text;
}

} // namespace

GutBookInfo GutBookInfo::ShowSelectedBook(const GutBook &book, const QString &downloadSource)
{
    GutBookInfo info;
    info.title = book.title;
    const QString root = book.title.contains(kAustralianMark, Qt::CaseInsensitive)
        ? GutenbergHosts::AustralianRoot()
        : downloadSource;
    info.url = root + book.path.mid(1);
    info.fileName = cSharedFileSubs::FileOnly(info.url);
    return info;
}

QUrl GutBookInfo::SeekOnAmazon(const QString &searchText, bool notAnIsbn, const QString &tag)
{
    QString text = searchText;
    for (const QChar c : { u'[', u']', u'-', u',', u'"' })
        text.replace(c, u' ');
    // "by" as a word only: a title such as "Moby Dick" keeps its words whole.
    static const QRegularExpression byWord(QStringLiteral("\\bby\\b"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    text.replace(byWord, QStringLiteral(" "));
    text = collapseBlanks(text).trimmed();
    if (notAnIsbn) {
        QStringList words = text.split(u' ');
        for (QString &w : words) {
            if (w.size() <= 3 || w.contains(QRegularExpression(QStringLiteral("[0-9]"))))
                w.clear();
        }
        text = words.join(u' ');
    }
    text = collapseBlanks(text);
    QStringList encoded;
    for (const QString &w : text.split(u' '))
        encoded << QString::fromLatin1(QUrl::toPercentEncoding(w));
    const QString query = QStringLiteral("?ie=UTF8&keywords=") + encoded.join(QStringLiteral("%20"))
        + QStringLiteral("&tag=") + QString::fromLatin1(QUrl::toPercentEncoding(tag))
        + QStringLiteral("&index=books&linkCode=ur2&camp=1789&creative=9325");
    return QUrl(GutenbergHosts::BooksellerSearch() + query, QUrl::StrictMode);
}

QUrl GutBookInfo::BooksellerSearchFor(const QString &title)
{
    QString text = title;
    text.remove(kAustralianMark);
    return SeekOnAmazon(text, true, GutenbergHosts::BooksellerTag());
}
