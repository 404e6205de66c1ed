// Temporary in-memory store so the main window builds; replaced by the full store.
#include "core/cSHAREDSettings.h"

#include <QHash>
#include <memory>

struct cSHAREDSettings::Data
{
    QHash<QString, QVariant> values;
};

cSHAREDSettings::cSHAREDSettings() : d(new Data) {}
cSHAREDSettings::~cSHAREDSettings() { delete d; }
void cSHAREDSettings::LoadSettings(const QString &) { d->values.clear(); }
bool cSHAREDSettings::SaveSettings(const QString &) { return true; }
void cSHAREDSettings::StoreSetting(const QString &t, const QVariant &v)
{
    QString k = t;
    k.remove(QLatin1Char(','));
    d->values.insert(k.toUpper(), v.typeId() == QMetaType::Bool ? QVariant(v.toBool() ? -1 : 0) : v);
}
void cSHAREDSettings::sSet(const QString &t, const QVariant &v) { StoreSetting(t, v); }
QVariant cSHAREDSettings::RetrieveSetting(const QString &t, const QVariant &def)
{
    return d->values.value(t.toUpper(), def);
}
QVariant cSHAREDSettings::sGet(const QString &t, const QVariant &def) { return RetrieveSetting(t, def); }
QVariant cSHAREDSettings::RetrieveWithDefault(const QString &t, const QVariant &def)
{
    return RetrieveSetting(t, def);
}
QVariant cSHAREDSettings::sGetWD(const QString &t, const QVariant &def) { return RetrieveWithDefault(t, def); }
bool cSHAREDSettings::IsSettingPresent(const QString &t) const { return d->values.contains(t.toUpper()); }
void cSHAREDSettings::DeleteSettingByName(const QString &t) { d->values.remove(t.toUpper()); }
void cSHAREDSettings::DeleteSetting(int) {}
void cSHAREDSettings::DeleteAllSettings() { d->values.clear(); }
int cSHAREDSettings::SettingsCount() const { return int(d->values.size()); }
QString cSHAREDSettings::SettingNameByIndex(int) const { return {}; }
void cSHAREDSettings::SortSettings() {}
int cSHAREDSettings::AddToSet(const QString &, const QVariant &) { return 0; }
int cSHAREDSettings::LastIndexInSet(const QString &) { return 0; }
void cSHAREDSettings::DeleteFromSetByValue(const QString &, const QVariant &) {}
bool cSHAREDSettings::ValueInSet(const QString &, const QVariant &) { return false; }
int cSHAREDSettings::SetCount(const QString &) { return 0; }
void cSHAREDSettings::DeleteASet(const QString &) {}

namespace {
std::unique_ptr<cSHAREDSettings> &slot()
{
    static std::unique_ptr<cSHAREDSettings> s;
    return s;
}
} // namespace
cSHAREDSettings &cSHAREDSettings::instance()
{
    if (!slot())
        slot() = std::make_unique<cSHAREDSettings>();
    return *slot();
}
void cSHAREDSettings::resetInstance() { slot().reset(); }

int settingToInt(const QVariant &value, int fallback)
{
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return ok ? n : fallback;
}
