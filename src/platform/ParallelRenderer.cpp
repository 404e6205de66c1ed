#include "platform/ParallelRenderer.h"

#include "base/Failure.h"
#include "platform/RenderWorker.h"

#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

const QString kSource = QStringLiteral("ParallelRenderer");
// Audio of a part that is not next in line waits in memory up to this much; then its
// worker is left to block on its output until the part's turn comes.
constexpr qsizetype kHoldBytes = 32 << 20;
constexpr qsizetype kReadBytes = 256 * 1024;
constexpr int kPollMs = 50;
// Part size in characters: small enough that the workers end close together, large
// enough that handing a part over (a fork) costs nothing against synthesising it. The
// same for any number of jobs, since a part is what makes the audio the same.
constexpr qsizetype kPartTarget = 3000;

QByteArray u32(quint32 value)
{
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian(value, b.data());
    return b;
}

QByteArray sized(const QByteArray &bytes)
{
    return u32(quint32(bytes.size())) + bytes;
}

struct Worker
{
    int number = 0; // 1-based, for messages
    pid_t pid = -1;
    int in = -1; // the worker's standard input
    int out = -1; // the worker's standard output
    qsizetype part = -1; // in hand; -1 when idle
    qsizetype textsDone = 0; // of that part
    QByteArray pending; // read, not yet handed on
    qsizetype consumed = 0; // of pending
};

// Every worker is ended when the rendering ends, however it ends.
class Pool
{
public:
    Pool(const QStringList &command, int count)
        : m_command(command)
        , m_count(count)
    {
        m_workers.reserve(size_t(count));
    }

    ~Pool()
    {
        for (Worker &w : m_workers) {
            closeFd(w.in);
            closeFd(w.out);
            if (w.pid > 0) {
                ::kill(w.pid, SIGKILL);
                ::waitpid(w.pid, nullptr, 0);
            }
        }
    }

    Worker &spawn()
    {
        Worker &w = m_workers.emplace_back();
        w.number = int(m_workers.size());
        int input[2];
        int output[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0)
            throwErrno(errno, kSource);
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, output) != 0) {
            const int err = errno;
            ::close(input[0]);
            ::close(input[1]);
            throwErrno(err, kSource);
        }
        w.in = input[0];
        w.out = output[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::vector<QByteArray> args;
        for (const QString &arg : m_command)
            args.push_back(QFile::encodeName(arg));
        std::vector<char *> argv;
        for (QByteArray &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&w.pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[1]);
        ::close(output[1]);
        if (spawned != 0) {
            w.pid = -1;
            throw Failure(failureCodeFromErrno(spawned),
                          QStringLiteral("Cannot start the rendering process %1: %2")
                              .arg(m_command.value(0), QString::fromLocal8Bit(strerror(spawned))),
                          kSource);
        }
        return w;
    }

    std::vector<Worker> &workers() { return m_workers; }

    // The worker's input is closed and it ends by itself; waits for that.
    void finish()
    {
        for (Worker &w : m_workers)
            closeFd(w.in);
        for (Worker &w : m_workers) {
            if (w.pid > 0)
                ::waitpid(w.pid, nullptr, 0);
            w.pid = -1;
            closeFd(w.out);
        }
    }

    // Why a worker stopped delivering: its exit, read once it has gone.
    [[noreturn]] void died(Worker &w, const QString &detail = {})
    {
        QString how = detail;
        if (how.isEmpty() && w.pid > 0) {
            int status = 0;
            pid_t reaped = 0;
            // It closed its output: it is ending, give it a moment to be gone.
            for (int i = 0; i < 100 && reaped == 0; ++i) {
                reaped = ::waitpid(w.pid, &status, WNOHANG);
                if (reaped == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (reaped == w.pid) {
                w.pid = -1;
                if (WIFSIGNALED(status))
                    how = QStringLiteral("killed by signal %1 (%2)")
                              .arg(WTERMSIG(status))
                              .arg(QString::fromLocal8Bit(strsignal(WTERMSIG(status))));
                else if (WIFEXITED(status))
                    how = QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
            }
        }
        if (how.isEmpty())
            how = QStringLiteral("it stopped answering");
        throw Failure(FailureCode::InternalError,
                      QStringLiteral("Rendering process %1 of %2 ended unexpectedly (%3)")
                          .arg(w.number)
                          .arg(m_count)
                          .arg(how),
                      kSource);
    }

    void send(Worker &w, const QByteArray &bytes)
    {
        const char *data = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            // No SIGPIPE from a worker that has died: the error says so instead.
            const ssize_t n = ::send(w.in, data, size_t(left), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                died(w);
            data += n;
            left -= n;
        }
    }

private:
    static void closeFd(int &fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    QStringList m_command;
    int m_count;
    std::vector<Worker> m_workers;
};

} // namespace

ParallelRenderer::ParallelRenderer(QStringList worker, int jobs, int sampleRate,
                                   RenderWorker::Setup setup)
    : m_worker(std::move(worker))
    , m_jobs(std::max(1, jobs))
    , m_sampleRate(sampleRate)
    , m_setup(std::move(setup))
{
}

QList<ParallelRenderer::Part> ParallelRenderer::parts(const QStringList &texts)
{
    const qsizetype target = kPartTarget;
    QList<Part> parts;
    qsizetype first = 0;
    qsizetype size = 0;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        size += texts.at(i).size();
        if (size >= target || i + 1 == texts.size()) {
            parts.append({ first, i + 1 - first });
            first = i + 1;
            size = 0;
        }
    }
    return parts;
}

bool ParallelRenderer::render(const QStringList &texts, Sink &sink)
{
    const QList<Part> plan = parts(texts);
    if (plan.isEmpty())
        return true;
    if (m_worker.isEmpty())
        throw Failure(FailureCode::InvalidCall, QStringLiteral("No rendering program is set"),
                      kSource);

    Pool pool(m_worker, int(std::min<qsizetype>(m_jobs, plan.size())));
    qsizetype nextPart = 0;
    qsizetype writePart = 0;
    auto assign = [&](Worker &w) {
        w.part = -1;
        if (nextPart >= plan.size())
            return;
        const Part &part = plan.at(nextPart);
        QByteArray message = u32(quint32(part.count));
        for (qsizetype i = part.first; i < part.first + part.count; ++i)
            message += sized(texts.at(i).toUtf8());
        w.part = nextPart++;
        w.textsDone = 0;
        pool.send(w, message);
    };
    const QByteArray header = QByteArray("ORW2") + sized(m_setup.engine) + sized(m_setup.voice)
        + u32(quint32(m_setup.rate)) + u32(quint32(m_setup.pitch));
    for (qsizetype i = 0; i < std::min<qsizetype>(m_jobs, plan.size()); ++i) {
        Worker &w = pool.spawn();
        pool.send(w, header);
    }
    for (Worker &w : pool.workers())
        assign(w);

    // Hands on what the worker of the part next in line has sent; false when the sink
    // stopped the rendering.
    auto deliver = [&]() -> bool {
        for (;;) {
            Worker *current = nullptr;
            for (Worker &w : pool.workers()) {
                if (w.part == writePart)
                    current = &w;
            }
            if (!current)
                return true;
            Worker &w = *current;
            bool partDone = false;
            while (!partDone && w.pending.size() - w.consumed >= RenderWorker::kFrameHeader) {
                const char *at = w.pending.constData() + w.consumed;
                const quint32 kind = qFromLittleEndian<quint32>(at);
                const quint32 bytes = qFromLittleEndian<quint32>(at + 4);
                if (w.pending.size() - w.consumed < RenderWorker::kFrameHeader + qsizetype(bytes))
                    break;
                const char *payload = at + RenderWorker::kFrameHeader;
                w.consumed += RenderWorker::kFrameHeader + qsizetype(bytes);
                switch (kind) {
                case RenderWorker::Audio: {
                    std::vector<int16_t> samples(bytes / 2);
                    qFromLittleEndian<qint16>(payload, qsizetype(samples.size()), samples.data());
                    if (!sink.audio(samples.data(), qsizetype(samples.size())))
                        return false;
                    break;
                }
                case RenderWorker::TextDone:
                    if (!sink.textDone(plan.at(w.part).first + w.textsDone++))
                        return false;
                    break;
                case RenderWorker::PartDone:
                    partDone = true;
                    break;
                case RenderWorker::Error:
                    pool.died(w, QString::fromUtf8(payload, qsizetype(bytes)));
                default:
                    pool.died(w, QStringLiteral("it sent what no worker sends"));
                }
            }
            // Keep the buffer from growing by what has been handed on.
            if (w.consumed > 0 && (w.consumed >= w.pending.size() / 2 || partDone)) {
                w.pending.remove(0, w.consumed);
                w.consumed = 0;
            }
            if (!partDone)
                return true;
            ++writePart;
            assign(w);
        }
    };

    std::vector<char> buffer(kReadBytes);
    while (writePart < plan.size()) {
        if (sink.stopRequested())
            return false;
        std::vector<pollfd> fds;
        std::vector<Worker *> polled;
        for (Worker &w : pool.workers()) {
            if (w.part < 0)
                continue;
            if (w.part != writePart && w.pending.size() - w.consumed >= kHoldBytes)
                continue;
            fds.push_back({ w.out, POLLIN, 0 });
            polled.push_back(&w);
        }
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), kPollMs);
        if (ready < 0 && errno != EINTR)
            throwErrno(errno, kSource);
        for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            Worker &w = *polled[i];
            const ssize_t n = ::read(w.out, buffer.data(), buffer.size());
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                pool.died(w);
            w.pending.append(buffer.data(), qsizetype(n));
        }
        if (!deliver())
            return false;
    }
    pool.finish();
    return true;
}
