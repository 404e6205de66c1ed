#include "platform/RenderWorker.h"

#include "base/Seam.h"
#include "platform/EspeakSynthesizer.h"
#include "platform/FliteSynthesizer.h"

#include <QCoreApplication>
#include <QtEndian>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <functional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace RenderWorker {

namespace {

bool readExactly(int fd, char *out, size_t bytes)
{
    while (bytes > 0) {
        const ssize_t n = ::read(fd, out, bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        bytes -= size_t(n);
    }
    return true;
}

bool writeAll(int fd, const char *data, size_t bytes)
{
    while (bytes > 0) {
        const ssize_t n = ::write(fd, data, bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        bytes -= size_t(n);
    }
    return true;
}

std::optional<quint32> readU32(int fd)
{
    char b[4];
    if (!readExactly(fd, b, 4))
        return std::nullopt;
    return qFromLittleEndian<quint32>(b);
}

// A text or voice on the wire is never longer than a book.
constexpr quint32 kMaxBytes = 256u << 20;

std::optional<QByteArray> readBytes(int fd)
{
    const std::optional<quint32> length = readU32(fd);
    if (!length || *length > kMaxBytes)
        return std::nullopt;
    QByteArray bytes(qsizetype(*length), Qt::Uninitialized);
    if (!readExactly(fd, bytes.data(), *length))
        return std::nullopt;
    return bytes;
}

// Sends the audio in frames of a useful size: one write per few thousand samples.
class PipeOut
{
public:
    void audio(const short *samples, int count)
    {
        const qsizetype at = m_out.size();
        m_out.resize(at + qsizetype(count) * 2);
        qToLittleEndian<qint16>(samples, count, m_out.data() + at);
        if (m_out.size() >= kFlushBytes)
            flush();
    }

    void flush()
    {
        if (m_out.isEmpty())
            return;
        send(frame(Audio, m_out.constData(), quint32(m_out.size())));
        m_out.clear();
    }

    static void send(const QByteArray &bytes)
    {
        // The parent gone or the pipe broken: nothing left to do for this part.
        if (!writeAll(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())))
            ::_exit(1);
    }

private:
    static constexpr qsizetype kFlushBytes = 64 * 1024;
    QByteArray m_out;
};

PipeOut *g_out = nullptr;

int pipeCallback(short *wav, int samples, espeak_EVENT *)
{
    if (g_out && wav && samples > 0)
        g_out->audio(wav, samples);
    return 0;
}

// Flite's samples to the same pipe.
class PipeSamples : public SampleOutput
{
public:
    bool audio(const short *samples, qsizetype count) override
    {
        if (g_out && count > 0)
            g_out->audio(samples, int(count));
        return true;
    }
};

// Speaks one piece of a text; `last`: the piece ends the text.
using SpeakPiece = std::function<void(const QString &piece, bool last)>;

// One part in a process of its own, forked from the freshly started library: the
// library keeps state from text to text (the voice's flutter and phase run on), so a
// part begun anywhere else than from that fresh state would come out a few samples
// different from the same part in a rendering cut otherwise.
[[noreturn]] void renderPart(const QList<QByteArray> &texts, const SpeakPiece &speak)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    PipeOut out;
    g_out = &out;
    for (const QByteArray &utf8 : texts) {
        // Cut as the reader's synthesizer cuts, so a long text sounds the same.
        const QString text = QString::fromUtf8(utf8);
        qsizetype from = 0;
        while (from < text.size()) {
            const qsizetype to = SynthesisWorker::pieceEnd(text, from);
            speak(text.mid(from, to - from), to >= text.size());
            from = to;
        }
        out.flush();
        out.send(frame(TextDone));
    }
    out.send(frame(PartDone));
    // No exit handlers: the library and the sanitizers belong to the process that forked.
    ::_exit(0);
}

int runWorker()
{
    // The parent gone means nothing left to do: a write then fails instead of killing us.
    std::signal(SIGPIPE, SIG_IGN);
    char magic[4];
    if (!readExactly(STDIN_FILENO, magic, 4) || std::memcmp(magic, "ORW2", 4) != 0)
        return 2;
    const std::optional<QByteArray> engine = readBytes(STDIN_FILENO);
    const std::optional<QByteArray> voice = readBytes(STDIN_FILENO);
    const std::optional<quint32> rate = readU32(STDIN_FILENO);
    const std::optional<quint32> pitch = readU32(STDIN_FILENO);
    if (!engine || !voice || !rate || !pitch)
        return 2;

    QString error;
    SpeakPiece speak;
    if (*engine == "flite") {
        if (FliteSynthesizer::initialiseLibrary(&error))
            speak = [voice = *voice, rate = int(*rate),
                     pitch = int(qint32(*pitch))](const QString &piece, bool) {
                PipeSamples out;
                FliteSynthesizer::synthesise(voice, rate, pitch, piece, 0, out);
            };
    } else if (*engine == "espeak-ng") {
        if (EspeakSynthesizer::initialiseLibrary(&error)) {
            espeak_SetSynthCallback(pipeCallback);
            if (!voice->isEmpty())
                espeak_SetVoiceByName(voice->constData());
            espeak_SetParameter(espeakRATE, int(*rate), 0);
            espeak_SetParameter(espeakPITCH, int(*pitch), 0);
            speak = [](const QString &piece, bool last) {
                EspeakSynthesizer::synthesise(piece.toUtf8(), last);
            };
        }
    } else {
        error = QStringLiteral("No speech engine called %1").arg(QString::fromUtf8(*engine));
    }
    if (!speak) {
        PipeOut::send(frame(Error, error.toUtf8().constData(), quint32(error.toUtf8().size())));
        return 1;
    }

    for (;;) {
        const std::optional<quint32> count = readU32(STDIN_FILENO);
        if (!count || *count == 0)
            return 0;
        QList<QByteArray> texts;
        for (quint32 i = 0; i < *count; ++i) {
            const std::optional<QByteArray> text = readBytes(STDIN_FILENO);
            if (!text)
                return 2;
            texts << *text;
        }
        const pid_t child = ::fork();
        if (child == 0)
            renderPart(texts, speak);
        int status = 0;
        QString failure;
        if (child < 0)
            failure = QString::fromLocal8Bit(std::strerror(errno));
        else if (::waitpid(child, &status, 0) != child)
            failure = QStringLiteral("lost its part's process");
        else if (WIFSIGNALED(status))
            failure = QStringLiteral("its part's process was killed by signal %1 (%2)")
                          .arg(WTERMSIG(status))
                          .arg(QString::fromLocal8Bit(strsignal(WTERMSIG(status))));
        else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            failure =
                QStringLiteral("its part's process ended with status %1").arg(WEXITSTATUS(status));
        if (!failure.isEmpty()) {
            const QByteArray why = failure.toUtf8();
            PipeOut::send(frame(Error, why.constData(), quint32(why.size())));
            return 1;
        }
    }
}

} // namespace

QByteArray frame(Frame kind, const char *data, quint32 bytes)
{
    QByteArray out(kFrameHeader + qsizetype(bytes), Qt::Uninitialized);
    qToLittleEndian<quint32>(quint32(kind), out.data());
    qToLittleEndian<quint32>(bytes, out.data() + 4);
    if (bytes > 0)
        std::memcpy(out.data() + kFrameHeader, data, bytes);
    return out;
}

void installSelf()
{
    Seam::install<ProgramSeam>(
        QStringList { QCoreApplication::applicationFilePath(), QString::fromLatin1(kArgument) });
}

std::optional<int> runIfAsked(int argc, char **argv)
{
    if (argc != 2 || std::strcmp(argv[1], kArgument) != 0)
        return std::nullopt;
    return runWorker();
}

} // namespace RenderWorker
