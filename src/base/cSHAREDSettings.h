#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The program's one configuration mechanism: an insertion-ordered table of named
// values, names compared without regard to case, kept in a text file of
// "NAME,value" lines. Values are QVariant: text (QString), integers (int) or empty.
// Booleans are stored as the integers -1 and 0.
//
// Lookups are hashed, deletions cost nothing until a position is asked for, so a
// store of tens of thousands of bookmarks loads, answers and saves in a few ms.
class cSHAREDSettings
{
public:
    cSHAREDSettings();
    ~cSHAREDSettings();

    cSHAREDSettings(const cSHAREDSettings &) = delete;
    cSHAREDSettings &operator=(const cSHAREDSettings &) = delete;

    // Replaces the store by the file; a missing file leaves it empty. Throws Failure
    // when the file exists but cannot be read (the store is then empty). A line that
    // cannot be taken is skipped; what the user should be told about each comes back
    // ("Error <code> in setting file. Line: <line> of <file>").
    QStringList LoadSettings(const QString &SettingsFile);

    // What became of a save. Only the caller talks to the user: a read-only file is told
    // as such, a full disk is a question (Retry saves again), any other failure an error.
    struct SaveOutcome
    {
        enum Result { Saved, ReadOnly, DiskFull, Failed };
        Result result = Saved;
        QString file;
        // The failure's code and the system's words for it (Failed).
        int code = 0;
        QString description;
        explicit operator bool() const { return result == Saved; }
    };
    // Replaces the file whole: a failed save leaves the previous file exactly as it was.
    // A file that is only read-only is made writable and written; every failure is traced.
    SaveOutcome SaveSettings(const QString &SettingsFile);
    void StoreSetting(const QString &SettingTitle, const QVariant &SettingValue);
    void sSet(const QString &SettingTitle, const QVariant &SettingValue);
    // The value, or the default; a value reading TRUE or FALSE (also in the user's
    // language) comes back as a bool.
    QVariant RetrieveSetting(const QString &SettingTitle, const QVariant &DefaultIfUnknown = {});
    QVariant sGet(const QString &SettingTitle, const QVariant &DefaultIfUnknown = {});
    // The value, or the default when it is absent, zero, false, empty or not a number.
    QVariant RetrieveWithDefault(const QString &SettingTitle, const QVariant &DefaultIfZero);
    QVariant sGetWD(const QString &SettingTitle, const QVariant &DefaultIfZero);
    bool IsSettingPresent(const QString &SettingTitle) const;
    void DeleteSettingByName(const QString &SettingName);
    // Positions count from 1.
    void DeleteSetting(int Index);
    void DeleteAllSettings();
    int SettingsCount() const;
    QString SettingNameByIndex(int Index) const;
    // Orders the entries by name (ordinal); equal names keep their order.
    void SortSettings();
    // The new member's index; 0 (nothing stored) when the set already reaches kMaxSetIndex.
    int AddToSet(const QString &SetName, const QVariant &Value);
    int LastIndexInSet(const QString &SetName);
    void DeleteFromSetByValue(const QString &SetName, const QVariant &ValueToFind);
    bool ValueInSet(const QString &SetName, const QVariant &ValueToFind);
    int SetCount(const QString &SetName);
    void DeleteASet(const QString &SetName);

    // A value in the form the settings file holds it: integers with a blank before a
    // non-negative number and one after (" 3 ", "-1 "), text as it is, empty as nothing.
    static QString valueText(const QVariant &value);

    // The process-wide store (Orlin.ini): the one of the ProcessServices alive now, or a
    // never-destroyed stand-in for code that runs with none.
    static cSHAREDSettings &instance();
    // Which store instance() gives (see base/Seam.h); only ProcessServices sets it.
    struct InstanceSeam
    {
        using Type = cSHAREDSettings *;
    };

    // The highest set index taken as sound: sets have always been walked with 16-bit
    // counters. An index past it (or below zero) marks a damaged set.
    static constexpr int kMaxSetIndex = 32767;

private:
    struct SetBounds
    {
        int last = 0; // the set's index (its highest member when the index is damaged)
        int walk = 0; // where walks over the members end: no further than a member present
    };
    SetBounds setBounds(const QString &set);
    int highestMember(const QString &set) const;
    // The index of the first member matching the value, 0 when none does.
    int firstInSet(const QString &set, const QVariant &ValueToFind);
    void AddSetting(const QString &SettingTitle, const QVariant &SettingValue);
    void RemoveFromSetAt(const QString &SetName, int Index);
    void writePass(const QString &SettingsFile);

    struct Data;
    Data *d;
};

inline cSHAREDSettings &Settings()
{
    return cSHAREDSettings::instance();
}

// A stored value as a 32-bit integer the way the settings' readers convert it:
// blanks around a number are allowed, a bool is -1 or 0, anything else gives the
// fallback.
int settingToInt(const QVariant &value, int fallback = 0);
