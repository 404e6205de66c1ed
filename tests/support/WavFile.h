#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// An audio file as a test reads it back, decoded by libsndfile: any format Orlin writes,
// with a wave file's header checked against the file's real length.
struct WavFile
{
    bool valid = false;
    QString problem; // why it is not valid
    int sampleRate = 0;
    int channels = 0;
    // libsndfile's major format (SF_FORMAT_WAV, SF_FORMAT_RF64, SF_FORMAT_OGG, ...).
    int container = 0;
    std::vector<qint16> samples;

    static WavFile read(const QString &path);

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0; }
    // The loudest sample's magnitude.
    int peak() const;
};
