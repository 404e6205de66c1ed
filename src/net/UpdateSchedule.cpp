#include "net/UpdateSchedule.h"

#include "base/DayDate.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"

#include <QLocale>

#include <cmath>

namespace {

const QString kDisabledKey = QStringLiteral("DisableAutoUpdateCheck");
const QString kLastKey = QStringLiteral("LastUpdateCheck");
const QString kFormat = QStringLiteral("dd/MMM/yyyy");

bool settingIsTrue(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return settingToInt(value, 0) != 0;
}

} // namespace

namespace UpdateSchedule {

qint64 TodayNumber()
{
    return std::llround(DayDate::now().days());
}

QString DateText(QDate date)
{
    return QLocale().toString(date, kFormat);
}

std::optional<qint64> DayNumberOfText(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QLocale &locale : { QLocale(), QLocale::c() }) {
        for (const QString &format : { kFormat, QStringLiteral("d/MMM/yyyy") }) {
            const QDate date = locale.toDate(trimmed, format);
            if (date.isValid())
                return std::llround(DayDate::fromDate(date).days());
        }
    }
    return std::nullopt;
}

bool AutoCheckDisabled()
{
    return settingIsTrue(Settings().sGet(kDisabledKey, true));
}

void StoreAutoCheckDisabled(bool disabled)
{
    Settings().sSet(kDisabledKey, disabled);
}

bool NoAutoCheck()
{
    if (!AutoCheckDisabled())
        return false;
    Log().LogEvent(QStringLiteral("Automatic update check is disabled"), false);
    return true;
}

bool DoCheckNow(qint64 today)
{
    const QVariant stored = Settings().sGet(kLastKey, today - 7);
    qint64 last = 0;
    if (stored.typeId() == QMetaType::Bool) {
        last = 0;
    } else if (const QString text = stored.toString(); text.contains(QLatin1Char('/'))) {
        // An unreadable date would otherwise stop the automatic check for good.
        last = DayNumberOfText(text).value_or(0);
    } else {
        QString digits = text;
        digits.remove(QLatin1Char(' '));
        bool ok = false;
        const double number = digits.toDouble(&ok);
        last = ok && std::fabs(number) < 1e9 ? std::llround(number) : 0;
    }
    return last <= today - 7;
}

void SaveLastCheckDate()
{
    Settings().sSet(kLastKey, int(TodayNumber()));
}

void SaveFoundDate()
{
    Settings().sSet(kLastKey, DateText(QDate::currentDate()));
}

} // namespace UpdateSchedule
