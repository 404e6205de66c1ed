#pragma once

#include "base/Seam.h"
#include "platform/SpeechDispatcherEngine.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>

// A speech-dispatcher daemon of the test's own: its configuration, socket, logs and pid
// file in a temporary folder, with the espeak-ng output module playing into the sound
// server the tests run with (scripts/with-audio's null sink). While it lives, engines
// use it (SpeechDispatcherEngine::AddressSeam); it is stopped when it goes.
class SpeechDispatcherDaemon
{
public:
    SpeechDispatcherDaemon();
    ~SpeechDispatcherDaemon();
    SpeechDispatcherDaemon(const SpeechDispatcherDaemon &) = delete;
    SpeechDispatcherDaemon &operator=(const SpeechDispatcherDaemon &) = delete;

    // False, and why, when the daemon could not be started (not installed).
    bool running() const { return m_problem.isEmpty(); }
    QString problem() const { return m_problem; }
    QString address() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_problem;
    std::optional<Seam::Override<SpeechDispatcherEngine::AddressSeam>> m_address;
};
