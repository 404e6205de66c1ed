#pragma once

#include <QDate>
#include <QString>

#include <optional>

// When the automatic update check runs, from two keys of the settings store:
// "DisableAutoUpdateCheck" (true or absent: the automatic check is off) and
// "LastUpdateCheck", the day of the last check as a whole day number (days since
// 30 December 1899), or, after a check that found an update, as "DD/MMM/YYYY" text with
// the locale's short month name.
namespace UpdateSchedule {

// Now as a day number rounded to the nearest whole day.
qint64 TodayNumber();

// "05/Mar/2025" in the current locale.
QString DateText(QDate date);
// The day number of a "DD/MMM/YYYY" text, in the current locale or in English (a settings
// file carried over from another locale); nothing when it is no such date.
std::optional<qint64> DayNumberOfText(const QString &text);

// The setting "DisableAutoUpdateCheck", read with the default true.
bool AutoCheckDisabled();
void StoreAutoCheckDisabled(bool disabled);

// AutoCheckDisabled, with the event "Automatic update check is disabled" logged when so.
bool NoAutoCheck();
// Whether the last check is seven or more days before today. A missing or unreadable
// "LastUpdateCheck" makes a check due.
bool DoCheckNow(qint64 today = TodayNumber());
// "LastUpdateCheck" = today's day number.
void SaveLastCheckDate();
// "LastUpdateCheck" = today as "DD/MMM/YYYY" (after a check that found an update).
void SaveFoundDate();

} // namespace UpdateSchedule
