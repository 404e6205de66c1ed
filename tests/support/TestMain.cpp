// Every test binary runs inside a QApplication on the offscreen platform, with the
// program folder pointed at a fresh temporary folder.
#include "base/Seam.h"
#include "net/ProxySecretStore.h"
#include "platform/EspeakEngine.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ORLIN_BIN_DIR"))
        qputenv("ORLIN_BIN_DIR", ORLIN_TEST_BIN_DIR);
    if (qEnvironmentVariableIsEmpty("ORLIN_SOURCE_DIR"))
        qputenv("ORLIN_SOURCE_DIR", ORLIN_TEST_SOURCE_DIR);
    // Programs the tests start never reach or start the user's own speech-dispatcher: its
    // tests run a daemon of their own (SpeechDispatcherDaemon).
    if (qEnvironmentVariableIsEmpty("SPEECHD_ADDRESS"))
        qputenv("SPEECHD_ADDRESS", "unix_socket:/nonexistent/orlin-tests/speechd.sock");
    if (qEnvironmentVariableIsEmpty("SPEECHD_CMD"))
        qputenv("SPEECHD_CMD", "/bin/false");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // A real modal box would wait for ever on the offscreen platform: a test that did
    // not expect a message gets it answered with the box's cancelling button and
    // printed, so the run goes on and the output shows what was asked.
    Seam::install<MessageBoxes::HandlerSeam>([](const MessageBoxes::Message &m) {
        fprintf(stderr, "unanswered message box: %s\n", qPrintable(m.text));
        for (auto b : { MessageBoxes::Cancel, MessageBoxes::No, MessageBoxes::Ok }) {
            if (m.buttons & b)
                return int(b);
        }
        return int(MessageBoxes::NoButton);
    });
    // The user's own keyring is never touched: tests that want a secret store start their
    // own (PrivateSecretService) and name it.
    Seam::install<ProxySecretStore::ServiceSeam>(QString());
    // Talkers get the real engine unless a test installs a fake (FakeSpeechEngine::Scope).
    EspeakEngine::installAsSpeechEngine();
    TempProgramFolder folder; // the default for tests that make no folder of their own
    return RUN_ALL_TESTS();
}
