#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

class clsDict;
class SentenceRule;
class SpeechRenderer;

// Speaks a text into an audio file instead of the sound output: the sentences Read
// would speak, in the same form, rendered on a worker thread as fast as the engine
// goes, in the format the file's extension names (AudioFileWriter; wave when it names
// none). The file (and the timing file beside it) appear only when the whole
// text has been rendered; a cancelled or failed rendering leaves no half file and an
// existing file as it was. Progress and the end arrive as signals on this object's
// thread.
class clsWavRenderer : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Running, Done, Cancelled, Failed };
    Q_ENUM(Outcome)

    struct Sentence
    {
        QString shown; // as the sentence store hands it out, for the timing file
        QString spoken; // after CleanForSpeech and the pronunciation list
    };

    explicit clsWavRenderer(QObject *parent = nullptr);
    // Cancels a rendering still running and waits for its thread.
    ~clsWavRenderer() override;

    // The sentences a reading of `text` would speak, up to the first empty one (where a
    // reading ends), cut by `rule` as the reading cuts them (the voice's language's: the
    // talker's store().nextRule()). `dict` may be null.
    static QList<Sentence> PrepareSentences(const QString &text, const clsDict *dict,
                                            const SentenceRule &rule);

    // The timing file for an audio file: the same name with the extension ".srt".
    static QString TimingFileFor(const QString &wavPath);

    // Starts rendering; an empty `srtPath` writes no timing file. One rendering per object.
    void Start(std::unique_ptr<SpeechRenderer> renderer, QList<Sentence> sentences,
               const QString &wavPath, const QString &srtPath);
    // Asks the rendering to stop; Finished(Cancelled) follows unless it had just ended.
    void Cancel();

    Outcome outcome() const { return m_outcome; }
    // Why a rendering failed, for a trace entry or the command line.
    QString errorText() const { return m_error; }
    qint64 durationMs() const { return m_durationMs; }
    int sentenceCount() const { return m_total; }

signals:
    // `done` sentences of `total` are in the file.
    void Progress(int done, int total);
    void Finished(clsWavRenderer::Outcome outcome);

private:
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QString error;
        qint64 durationMs = 0;
    };
    Result run(SpeechRenderer &renderer, const QList<Sentence> &sentences, const QString &wavPath,
               const QString &srtPath);
    void finish(const Result &result);

    std::thread m_thread;
    std::atomic<bool> m_cancel { false };
    std::atomic<int> m_reported { 0 };
    Outcome m_outcome = Outcome::Running;
    QString m_error;
    qint64 m_durationMs = 0;
    int m_total = 0;
};
