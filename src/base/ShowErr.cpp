#include "base/ShowErr.h"

#include "base/MessageBoxes.h"
#include "base/cSharedLogging.h"

#include <exception>

void ShowErr(const QString &ErrorMessage, const QString &HelpPage)
{
    Q_UNUSED(HelpPage);
    // Reporting a failure must never become a failure of the caller.
    try {
        MessageBoxes::show(nullptr, MessageBoxes::Critical, QStringLiteral("Error Reporter"),
                           ErrorMessage, MessageBoxes::Ok);
    } catch (const std::exception &e) {
        Log().AddAction(QString::fromLocal8Bit(e.what()), QStringLiteral("ShowErr"),
                        QStringLiteral("cShowError"));
    }
}
