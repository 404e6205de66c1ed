#pragma once

#include <QList>
#include <QString>

// A timing file (.srt) as a test reads it back.
struct SrtEntry
{
    int number = 0;
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text;
};

// Entries in file order; empty when the file is missing or malformed.
QList<SrtEntry> readSrt(const QString &path);
