#include "app/SettingsSaver.h"

#include "base/ProgramInfo.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"

namespace SettingsSaver {

namespace {

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

} // namespace

bool Save(const std::function<cSHAREDSettings::SaveOutcome()> &save, QWidget *parent)
{
    for (;;) {
        const cSHAREDSettings::SaveOutcome outcome = save();
        if (outcome)
            return true;
        // A question or an error is read with the normal pointer, whatever was going on.
        const bool wasBusy = MousePointer::isBusy();
        MousePointer::NormalMouse();
        int answer = MessageBoxes::Cancel;
        switch (outcome.result) {
        case cSHAREDSettings::SaveOutcome::Saved:
            return true;
        case cSHAREDSettings::SaveOutcome::ReadOnly:
            MessageBoxes::show(
                parent, MessageBoxes::Warning, ProgramInfo::exeName(),
                translated(
                    "Your settings file is read-only and I can't change it. Save cancelled."),
                MessageBoxes::Ok);
            break;
        case cSHAREDSettings::SaveOutcome::DiskFull:
            answer = MessageBoxes::show(
                parent, MessageBoxes::Warning, ProgramInfo::exeName(),
                translated("You've run out of disk space on drive ")
                    + cSharedFileSubs::DriveOnly(outcome.file) + QStringLiteral(":\n")
                    + translated("Please clear some space and then click Retry, else click "
                                 "Cancel to abort."),
                MessageBoxes::Retry | MessageBoxes::Cancel);
            break;
        case cSHAREDSettings::SaveOutcome::Failed:
            ShowErr(translated("Cannot save the settings to %1: %2")
                        .arg(outcome.file, outcome.description));
            break;
        }
        if (wasBusy)
            MousePointer::BusyMouse();
        if (answer != MessageBoxes::Retry)
            return false;
    }
}

} // namespace SettingsSaver
