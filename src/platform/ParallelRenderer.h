#pragma once

#include "platform/RenderWorker.h"
#include "speech/SpeechRenderer.h"

#include <QByteArray>
#include <QStringList>

// Rendering on every core: the texts are cut into parts at text (sentence) boundaries,
// each part is synthesised by one of `jobs` worker processes (RenderWorker) from the
// library's fresh state, and the parts' audio reaches the sink in text order: the same
// samples for any number of jobs. Workers take the next part as they finish one, so a slow part
// does not hold the others up; a part that arrives early waits in memory, at most a few parts'
// worth, since a worker is given a part only while few are waiting.
//
// A worker that dies or reports a failure fails the rendering (Failure, saying which);
// a sink that stops, or asks to stop, ends it. Either way every worker is ended.
class ParallelRenderer : public SpeechRenderer
{
public:
    // `worker`: the program and arguments that start a worker; `setup`: what it speaks with.
    ParallelRenderer(QStringList worker, int jobs, int sampleRate, RenderWorker::Setup setup);

    int sampleRate() const override { return m_sampleRate; }
    bool render(const QStringList &texts, Sink &sink) override;

    // The parts `texts` are cut into: each a run of whole texts, first index and count,
    // in order, whatever the number of jobs.
    struct Part
    {
        qsizetype first;
        qsizetype count;
    };
    static QList<Part> parts(const QStringList &texts);

private:
    QStringList m_worker;
    int m_jobs;
    int m_sampleRate;
    RenderWorker::Setup m_setup;
};
