#pragma once

#include "platform/SynthesisWorker.h"

#include <QList>
#include <QString>

// The one owner of libespeak-ng in the process: every call to the library happens on
// this worker's thread (see SynthesisWorker). A job's pitch is the library's 0..100.
class EspeakSynthesizer : public SynthesisWorker
{
public:
    struct Voice
    {
        QByteArray identifier; // what the library selects the voice by
        QString name;
        QString language; // the main one
        // Every language the voice speaks with the library's priority (lower is better).
        QList<std::pair<int, QString>> languages;
    };

    // The process-wide instance, started on first use. Throws Failure 429 when the
    // library or its data cannot be loaded (and keeps failing the same way).
    static std::shared_ptr<EspeakSynthesizer> instance();

    ~EspeakSynthesizer() override;

    // The voice matching the system language first, then the rest in the library's order.
    const QList<Voice> &voices() const { return m_voices; }

    // The voice (index) that best speaks the language of `localeName` ("de_DE.UTF-8"),
    // 0 when none does.
    static qsizetype preferredVoice(const QList<Voice> &voices, const QString &localeName);
    // The user's locale name as the C library sees it: LC_ALL, LC_MESSAGES or LANG.
    static QString systemLocaleName();

    // The library started on the calling thread, in synchronous mode, as the worker
    // thread starts it; a render worker process uses it without the worker thread.
    static bool initialiseLibrary(QString *error);
    // One espeak_Synth call of a piece; `last`: the piece ends its text (with a pause).
    static void synthesise(const QByteArray &utf8, bool last);

private:
    friend class SynthesisWorker;
    EspeakSynthesizer() = default;
    bool initialise(QString *error) override;
    void synthesisePiece(const Job &job, qsizetype from, qsizetype to) override;
    void terminate() override;

    QList<Voice> m_voices;
    QByteArray m_currentVoice; // worker thread only
};
