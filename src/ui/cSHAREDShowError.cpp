#include "ui/cSHAREDShowError.h"

#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedLang.h"
#include "ui/MessageBoxes.h"
#include "ui/ShowErr.h"

namespace {
const QString kModule = QStringLiteral("cShowError");
} // namespace

void cSHAREDShowError::ShowErr(const QString &ErrorMessage, const QString &HelpPage)
{
    Trace::attempt(QStringLiteral("ShowErr"), kModule, [&] {
        if (const ShowErrSeam::Type reporter = Seam::current<ShowErrSeam>()) {
            reporter(ErrorMessage, HelpPage);
            return;
        }
        MessageBoxes::show(nullptr, MessageBoxes::Critical,
                           Lang().GetTranslation(QStringLiteral("Error Reporter")), ErrorMessage,
                           MessageBoxes::Ok);
    });
}

void cSHAREDShowError::ShowErrObj(const std::exception &oErr, const QString &vSubname,
                                  const QString &vModule, const QString &HelpPage)
{
    QString message;
    if (!Trace::attempt(QStringLiteral("showerrobj"), kModule, [&] {
            const Failure failure = Trace::asFailure(oErr);
            message = QStringLiteral("Error ") + QString::number(failure.code())
                + QStringLiteral(" - ") + failure.description() + QStringLiteral(" in ") + vSubname
                + QStringLiteral(" of ") + vModule;
        }))
        return;
    ShowErr(message, HelpPage);
}

cSHAREDShowError &cSHAREDShowError::instance()
{
    static cSHAREDShowError showError;
    return showError;
}
