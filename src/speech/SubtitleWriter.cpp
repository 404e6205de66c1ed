#include "speech/SubtitleWriter.h"

#include "base/Failure.h"

#include <QSaveFile>

void SubtitleWriter::add(qint64 startMs, qint64 endMs, const QString &text)
{
    // A line break inside a sentence would end the entry early in a player, and a
    // blank line would end it outright: one line per sentence.
    QString line = text.simplified();
    m_entries.append({ startMs, qMax(startMs, endMs), line });
}

QString SubtitleWriter::timestamp(qint64 ms)
{
    if (ms < 0)
        ms = 0;
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString SubtitleWriter::toText() const
{
    QString out;
    int number = 0;
    for (const Entry &e : m_entries) {
        out += QString::number(++number) + QStringLiteral("\r\n");
        out += timestamp(e.startMs) + QStringLiteral(" --> ") + timestamp(e.endMs)
            + QStringLiteral("\r\n");
        out += e.text + QStringLiteral("\r\n\r\n");
    }
    return out;
}

void SubtitleWriter::save(const QString &path) const
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const QByteArray bytes = toText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Failure(file.error() == QFileDevice::ResourceError ? FailureCode::DiskFull
                                                                 : FailureCode::PathFileAccess,
                      QStringLiteral("Cannot write ") + path + QStringLiteral(": ")
                          + file.errorString(),
                      QStringLiteral("SubtitleWriter"));
}
