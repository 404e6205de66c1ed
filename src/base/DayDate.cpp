#include "base/DayDate.h"

#include <cmath>

namespace {

constexpr qint64 MsecsPerDay = 24 * 60 * 60 * 1000;

QDate epoch()
{
    return QDate(1899, 12, 30);
}

} // namespace

DayDate DayDate::fromDate(QDate date, QTime time)
{
    if (!date.isValid())
        return zero();
    const double day = double(epoch().daysTo(date));
    const double fraction =
        (time.isValid() ? time.msecsSinceStartOfDay() : 0) / double(MsecsPerDay);
    return DayDate(day < 0 ? day - fraction : day + fraction);
}

DayDate DayDate::fromDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return zero();
    const QDateTime local = dateTime.toLocalTime();
    return fromDate(local.date(), local.time());
}

DayDate DayDate::now()
{
    return fromDateTime(QDateTime::currentDateTime());
}

QDate DayDate::date() const
{
    if (!std::isfinite(m_days) || std::fabs(m_days) > 1e9)
        return {};
    // Rounded to the millisecond first, so 0.9999999999 is the next midnight.
    const double whole = std::trunc(m_days);
    qint64 msecs = std::llround(std::fabs(m_days - whole) * MsecsPerDay);
    qint64 day = qint64(whole);
    if (msecs >= MsecsPerDay)
        day += m_days < 0 ? -1 : 1;
    return epoch().addDays(day);
}

QTime DayDate::time() const
{
    if (!std::isfinite(m_days))
        return {};
    const double whole = std::trunc(m_days);
    const qint64 msecs = std::llround(std::fabs(m_days - whole) * MsecsPerDay) % MsecsPerDay;
    return QTime::fromMSecsSinceStartOfDay(int(msecs));
}

QDateTime DayDate::toDateTime() const
{
    const QDate d = date();
    if (!d.isValid())
        return {};
    return QDateTime(d, time());
}
