#include "base/ShowErr.h"

#include "base/MessageBoxes.h"
#include "base/Seam.h"
#include "base/cSharedLogging.h"

#include <exception>

void ShowErr(const QString &ErrorMessage, const QString &HelpPage)
{
    // Reporting a failure must never become a failure of the caller.
    try {
        if (const ShowErrSeam::Type reporter = Seam::current<ShowErrSeam>()) {
            reporter(ErrorMessage, HelpPage);
            return;
        }
        MessageBoxes::show(nullptr, MessageBoxes::Critical, QStringLiteral("Error Reporter"),
                           ErrorMessage, MessageBoxes::Ok);
    } catch (const std::exception &e) {
        Log().AddAction(QString::fromLocal8Bit(e.what()), QStringLiteral("ShowErr"),
                        QStringLiteral("cShowError"));
    }
}
