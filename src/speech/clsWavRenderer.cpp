#include "speech/clsWavRenderer.h"

#include "base/Failure.h"
#include "speech/AudioFileWriter.h"
#include "speech/SpeechRenderer.h"
#include "speech/SpokenForm.h"
#include "speech/SubtitleWriter.h"
#include "speech/clsDict.h"
#include "speech/clsStore.h"

#include <QFileInfo>

namespace {

// Counts the samples as they go into the file, so each sentence's start and end are
// known to the sample, and gives up as soon as a cancel is asked for.
class FileSink : public SpeechRenderer::Sink
{
public:
    FileSink(AudioFileWriter &wav, SubtitleWriter &timings,
             const QList<clsWavRenderer::Sentence> &sentences, const std::atomic<bool> &cancel,
             std::function<void(int)> progress)
        : m_wav(wav)
        , m_timings(timings)
        , m_sentences(sentences)
        , m_cancel(cancel)
        , m_progress(std::move(progress))
    {
    }

    bool audio(const int16_t *samples, qsizetype count) override
    {
        if (m_cancel.load())
            return false;
        m_wav.append(samples, count);
        return true;
    }

    bool stopRequested() const override { return m_cancel.load(); }

    bool textDone(qsizetype index) override
    {
        if (m_cancel.load())
            return false;
        const qint64 end = m_wav.samplesWritten();
        if (index >= 0 && index < m_sentences.size())
            m_timings.add(toMs(m_start), toMs(end), m_sentences.at(index).shown);
        m_start = end;
        m_progress(int(index) + 1);
        return true;
    }

private:
    qint64 toMs(qint64 samples) const
    {
        return m_wav.sampleRate() > 0 ? samples * 1000 / m_wav.sampleRate() : 0;
    }

    AudioFileWriter &m_wav;
    SubtitleWriter &m_timings;
    const QList<clsWavRenderer::Sentence> &m_sentences;
    const std::atomic<bool> &m_cancel;
    std::function<void(int)> m_progress;
    qint64 m_start = 0;
};

} // namespace

clsWavRenderer::clsWavRenderer(QObject *parent)
    : QObject(parent)
{
}

clsWavRenderer::~clsWavRenderer()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

QList<clsWavRenderer::Sentence>
clsWavRenderer::PrepareSentences(const QString &text, const clsDict *dict, const SentenceRule &rule)
{
    // The reading's own road: the store cuts and trims, the speech cleaning and the
    // pronunciation list rewrite only what the engine gets.
    clsStore store;
    store.setRule(rule);
    store.StoreInSentences(text);
    QList<Sentence> sentences;
    sentences.reserve(store.Sentences());
    for (;;) {
        const QString shown = store.NextSentence();
        if (shown.isEmpty())
            break;
        sentences.append({ shown, SpokenForm(shown, dict) });
    }
    return sentences;
}

QString clsWavRenderer::TimingFileFor(const QString &wavPath)
{
    const QFileInfo info(wavPath);
    const QString suffix = info.suffix();
    QString base = wavPath;
    if (!suffix.isEmpty() && !info.completeBaseName().isEmpty())
        base.chop(suffix.size() + 1);
    QString timing = base + QStringLiteral(".srt");
    // A wave file that is itself called *.srt must not be replaced by its timings.
    if (QFileInfo(timing).absoluteFilePath() == info.absoluteFilePath())
        timing = wavPath + QStringLiteral(".srt");
    return timing;
}

void clsWavRenderer::Start(std::unique_ptr<SpeechRenderer> renderer, QList<Sentence> sentences,
                           const QString &wavPath, const QString &srtPath)
{
    if (m_thread.joinable() || !renderer)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("Invalid procedure call"),
                      QStringLiteral("clsWavRenderer"));
    m_total = int(sentences.size());
    m_outcome = Outcome::Running;
    m_thread = std::thread(
        [this, renderer = std::move(renderer), sentences = std::move(sentences), wavPath, srtPath] {
            const Result result = run(*renderer, sentences, wavPath, srtPath);
            QMetaObject::invokeMethod(
                this, [this, result] { finish(result); }, Qt::QueuedConnection);
        });
}

void clsWavRenderer::Cancel()
{
    m_cancel = true;
}

clsWavRenderer::Result clsWavRenderer::run(SpeechRenderer &renderer,
                                           const QList<Sentence> &sentences, const QString &wavPath,
                                           const QString &srtPath)
{
    Result result;
    // The extension names the format; a name without a known one gets a wave file.
    AudioFileWriter wav(
        wavPath, renderer.sampleRate(),
        AudioFileWriter::formatForFile(wavPath).value_or(AudioFileWriter::Format::Wave));
    SubtitleWriter timings;
    const int total = int(sentences.size());
    auto progress = [this, total](int done) {
        // One pending report at a time: a fast engine must not flood the UI thread.
        if (m_reported.exchange(done) != 0)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, total] {
                const int latest = m_reported.exchange(0);
                if (latest > 0)
                    emit Progress(latest, total);
            },
            Qt::QueuedConnection);
    };
    try {
        wav.open();
        QStringList texts;
        texts.reserve(sentences.size());
        for (const Sentence &s : sentences)
            texts.append(s.spoken);
        FileSink sink(wav, timings, sentences, m_cancel, progress);
        const bool complete = renderer.render(texts, sink);
        if (!complete || m_cancel.load()) {
            wav.cancel();
            result.outcome = Outcome::Cancelled;
            return result;
        }
        wav.commit();
        result.durationMs = wav.durationMs();
        // The timings follow the audio they describe: written only once the wave file
        // is in place, so a failed rendering never leaves them describing another file.
        if (!srtPath.isEmpty())
            timings.save(srtPath);
        result.outcome = Outcome::Done;
    } catch (const Failure &failure) {
        wav.cancel();
        result.error = failure.traceText();
    } catch (const std::exception &e) {
        wav.cancel();
        result.error = QString::fromLocal8Bit(e.what());
    }
    return result;
}

void clsWavRenderer::finish(const Result &result)
{
    if (m_thread.joinable())
        m_thread.join();
    m_outcome = result.outcome;
    m_error = result.error;
    m_durationMs = result.durationMs;
    emit Finished(m_outcome);
}
