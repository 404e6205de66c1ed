#pragma once

#include <QList>
#include <QString>

// The timing file written beside a rendered wave file: one subtitle entry per
// sentence, with its start and end in the audio and the sentence as displayed, so
// a listener can follow the text in any media player.
class SubtitleWriter
{
public:
    struct Entry
    {
        qint64 startMs;
        qint64 endMs;
        QString text;
    };

    void add(qint64 startMs, qint64 endMs, const QString &text);
    const QList<Entry> &entries() const { return m_entries; }

    // The whole file in SubRip form (UTF-8 text, blank line between entries).
    QString toText() const;
    // Writes the file atomically; throws Failure when it cannot be written.
    void save(const QString &path) const;

    // "HH:MM:SS,mmm".
    static QString timestamp(qint64 ms);

private:
    QList<Entry> m_entries;
};
