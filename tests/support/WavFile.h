#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// A 16-bit PCM mono wave file as a test reads it back, with the header checked
// against the file's real length.
struct WavFile
{
    bool valid = false;
    QString problem; // why it is not valid
    int sampleRate = 0;
    std::vector<qint16> samples;

    static WavFile read(const QString &path);

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0; }
    // The loudest sample's magnitude.
    int peak() const;
};
