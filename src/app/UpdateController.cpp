#include "app/UpdateController.h"

#include "app/fSHAREDUpdater.h"
#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "net/UpdateCheck.h"
#include "ui/MessageBoxes.h"

#include <QDir>
#include <QWidget>

namespace {

const QString kModule = QStringLiteral("frmMain");

} // namespace

UpdateController::UpdateController(View &view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
}

UpdateController::~UpdateController() = default;

fSHAREDUpdater *UpdateController::Updater() const
{
    return m_updater;
}

void UpdateController::CreateUpdater()
{
    if (m_updater)
        return;
    m_updater = new fSHAREDUpdater(m_view.window());
    connect(m_updater, &fSHAREDUpdater::InstallFile, this, &UpdateController::Updater_InstallFile);
}

void UpdateController::AutomaticCheck()
{
    Trace::attempt(QStringLiteral("timer3_timer"), kModule, [&] {
        CreateUpdater();
        if (m_updater->NoAutoCheck())
            return;
        if (m_updater->DoCheckNow())
            checkforupdate(true);
    });
}

void UpdateController::checkforupdate(bool silent)
{
    Trace::attempt(QStringLiteral("checkforupdate"), kModule, [&] {
        CreateUpdater();
        m_updater->CheckForUpdate(silent, UpdateCheck::VersionFileUrl(),
                                  UpdateCheck::DetailsFileUrl(), UpdateCheck::PackageFileName(),
                                  QString());
    });
}

void UpdateController::Updater_InstallFile()
{
    UpdateHandOff::HandOff handOff { UpdateCheck::PackageFileName(), {}, {} };
    if (m_updater) {
        handOff.version = m_updater->check().AnnouncedVersion();
        handOff.sha256 = m_updater->check().PackageSha256();
    }
    HandOver(handOff);
}

bool UpdateController::HandOver(const UpdateHandOff::HandOff &handOff)
{
    const QString procedure = QStringLiteral("updater_installfile");
    Trace::attempt(procedure, kModule, [&] { m_view.hideForHandOff(); });
    Trace::attempt(procedure, kModule, [&] {
        if (m_updater)
            m_updater->CloseUpdater();
    });
    // Closing down without either would leave the user with no program and no update.
    const bool written = Trace::attempt(procedure, kModule, [&] {
        UpdateHandOff::WriteHandOffFile(ProgramInfo::programFolder(), handOff);
    });
    bool started = false;
    if (written)
        Trace::attempt(procedure, kModule,
                       [&] { started = UpdateHandOff::StartInstaller(m_view.caption()); });
    if (started) {
        m_view.closeDown();
        return true;
    }
    Log().LogEvent(written ? QStringLiteral("The installer could not be started")
                           : QStringLiteral("updater.ini could not be written"),
                   false);
    m_view.showAgain();
    MessageBoxes::show(
        m_view.window(), MessageBoxes::Warning, ProgramInfo::exeName(),
        Lang()
            .GetTranslation(QStringLiteral("The installer could not be started. "
                                           "The update package was saved to %1"))
            .arg(QDir::toNativeSeparators(ProgramInfo::programFile(handOff.packageName))));
    return false;
}
