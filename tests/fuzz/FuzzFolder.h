#pragma once

#include "base/cSharedLogging.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// One temporary folder for a whole fuzzing run, for the parsers that read their input from a
// file, and the log switched off: a run makes millions of inputs, and a log of them would
// only cost time and disk.
inline const QTemporaryDir &fuzzFolder()
{
    static QTemporaryDir *dir = [] {
        Log().setNOLOGGING(true);
        return new QTemporaryDir;
    }();
    return *dir;
}

// Writes the bytes as the named file of the fuzzing folder and returns its path.
inline QString fuzzFile(const QString &name, const QByteArray &bytes)
{
    const QString path = fuzzFolder().filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}
