// Linked only into the update tests' own builds of Orlin and OrlinUpdater (test-bin/): at
// start they trust the tests' signing key instead of the maker's, and, when
// ORLIN_TEST_KILL_AT names a step of a swap ("placed 0", "commit", "finish"), end
// themselves there as abruptly as a crash would, so a test can cut a real swap short.
#include "base/Seam.h"
#include "net/PackageSignature.h"
#include "net/UpdateJournal.h"
#include "support/UpdateSigning.h"

#include <QByteArray>
#include <QString>

#include <csignal>

namespace {

[[maybe_unused]] const bool installed = [] {
    Seam::install<PackageSignature::TrustedKeysSeam>({ SigningKey::tests().publicKeyLine() });
    const QString step = QString::fromUtf8(qgetenv("ORLIN_TEST_KILL_AT"));
    if (!step.isEmpty()) {
        Seam::install<UpdateJournal::StepSeam>([step](const QString &reached) {
            if (reached == step)
                std::raise(SIGKILL);
        });
    }
    return true;
}();

} // namespace
