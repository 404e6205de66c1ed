#include "support/SpeechDispatcherDaemon.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

SpeechDispatcherDaemon::SpeechDispatcherDaemon()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("speech-dispatcher"));
    if (program.isEmpty()) {
        m_problem = QStringLiteral("speech-dispatcher is not installed");
        return;
    }
    // A socket path must stay short (108 bytes), so the folder is the system's temporary one.
    const QDir dir(m_dir.path());
    dir.mkpath(QStringLiteral("conf/modules"));
    dir.mkpath(QStringLiteral("log"));
    write(dir.filePath(QStringLiteral("conf/speechd.conf")),
          "LogLevel 2\n"
          "AudioOutputMethod \"pulse\"\n"
          "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
          "DefaultModule espeak-ng\n");
    QFile::copy(QStringLiteral("/etc/speech-dispatcher/modules/espeak-ng.conf"),
                dir.filePath(QStringLiteral("conf/modules/espeak-ng.conf")));
    if (!QFileInfo::exists(dir.filePath(QStringLiteral("conf/modules/espeak-ng.conf"))))
        write(dir.filePath(QStringLiteral("conf/modules/espeak-ng.conf")), "");

    const QString socket = dir.filePath(QStringLiteral("sock"));
    m_process.setProgram(program);
    m_process.setArguments({ QStringLiteral("--run-single"), QStringLiteral("--timeout"),
                             QStringLiteral("0"), QStringLiteral("--config-dir"),
                             dir.filePath(QStringLiteral("conf")),
                             QStringLiteral("--communication-method"),
                             QStringLiteral("unix_socket"), QStringLiteral("--socket-path"), socket,
                             QStringLiteral("--log-dir"), dir.filePath(QStringLiteral("log")),
                             QStringLiteral("--pid-file"), dir.filePath(QStringLiteral("pid")) });
    m_process.setStandardOutputFile(dir.filePath(QStringLiteral("log/stdout.txt")));
    m_process.setStandardErrorFile(dir.filePath(QStringLiteral("log/stderr.txt")));
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        m_problem = QStringLiteral("speech-dispatcher did not start: ") + m_process.errorString();
        return;
    }
    // Ready once its socket is there.
    QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(socket) && !deadline.hasExpired()
           && m_process.state() == QProcess::Running)
        QThread::msleep(20);
    if (!QFileInfo::exists(socket)) {
        m_problem = QStringLiteral("speech-dispatcher made no socket");
        return;
    }
    m_address.emplace(address());
}

SpeechDispatcherDaemon::~SpeechDispatcherDaemon()
{
    m_address.reset();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
}

QString SpeechDispatcherDaemon::address() const
{
    return QStringLiteral("unix_socket:") + QDir(m_dir.path()).filePath(QStringLiteral("sock"));
}
