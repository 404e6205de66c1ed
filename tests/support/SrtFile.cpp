#include "support/SrtFile.h"

#include <QFile>
#include <QRegularExpression>

QList<SrtEntry> readSrt(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression entry(
        QStringLiteral("(\\d+)\\r\\n(\\d\\d):(\\d\\d):(\\d\\d),(\\d\\d\\d) --> "
                       "(\\d\\d):(\\d\\d):(\\d\\d),(\\d\\d\\d)\\r\\n([^\\r\\n]*)\\r\\n\\r\\n"));
    QList<SrtEntry> entries;
    qsizetype at = 0;
    while (at < text.size()) {
        const QRegularExpressionMatch m =
            entry.match(text, at, QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return {};
        auto ms = [&](int first) {
            return ((m.captured(first).toLongLong() * 60 + m.captured(first + 1).toLongLong()) * 60
                    + m.captured(first + 2).toLongLong())
                * 1000
                + m.captured(first + 3).toLongLong();
        };
        entries.append({ m.captured(1).toInt(), ms(2), ms(6), m.captured(10) });
        at = m.capturedEnd();
    }
    return entries;
}
