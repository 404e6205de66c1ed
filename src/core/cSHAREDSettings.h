#pragma once

#include <QString>
#include <QVariant>

// The program's one configuration mechanism: an insertion-ordered table of named
// values, names compared without regard to case, kept in a text file of
// "NAME,value" lines. Values are QVariant: text (QString), integers (int) or empty.
class cSHAREDSettings
{
public:
    cSHAREDSettings();
    ~cSHAREDSettings();

    void LoadSettings(const QString &SettingsFile);
    bool SaveSettings(const QString &SettingsFile);
    void StoreSetting(const QString &SettingTitle, const QVariant &SettingValue);
    void sSet(const QString &SettingTitle, const QVariant &SettingValue);
    QVariant RetrieveSetting(const QString &SettingTitle, const QVariant &DefaultIfUnknown = {});
    QVariant sGet(const QString &SettingTitle, const QVariant &DefaultIfUnknown = {});
    QVariant RetrieveWithDefault(const QString &SettingTitle, const QVariant &DefaultIfZero);
    QVariant sGetWD(const QString &SettingTitle, const QVariant &DefaultIfZero);
    bool IsSettingPresent(const QString &SettingTitle) const;
    void DeleteSettingByName(const QString &SettingName);
    void DeleteSetting(int Index);
    void DeleteAllSettings();
    int SettingsCount() const;
    QString SettingNameByIndex(int Index) const;
    void SortSettings();
    int AddToSet(const QString &SetName, const QVariant &Value);
    int LastIndexInSet(const QString &SetName);
    void DeleteFromSetByValue(const QString &SetName, const QVariant &ValueToFind);
    bool ValueInSet(const QString &SetName, const QVariant &ValueToFind);
    int SetCount(const QString &SetName);
    void DeleteASet(const QString &SetName);

    // The process-wide store (Orlin.ini), created on first use.
    static cSHAREDSettings &instance();
    static void resetInstance();

private:
    struct Data;
    Data *d;
};

inline cSHAREDSettings &Settings()
{
    return cSHAREDSettings::instance();
}

// A stored value as a 32-bit integer the way the settings' readers convert it:
// blanks around a number are allowed, anything else gives the fallback.
int settingToInt(const QVariant &value, int fallback = 0);
