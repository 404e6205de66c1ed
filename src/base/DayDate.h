#pragma once

#include <QDateTime>

// The day-number date that Orlin's files and file dates use: days since
// 30 December 1899 as a double, the fraction being the time of day. Before that
// day the whole part counts backwards but the fraction still runs forwards
// (-1.25 is 29 December 1899, 06:00), as every program that shares the format expects.
// Times are local wall-clock times without a zone.
class DayDate
{
public:
    constexpr DayDate() = default;
    constexpr explicit DayDate(double days)
        : m_days(days)
    {
    }

    static DayDate fromDateTime(const QDateTime &dateTime);
    static DayDate fromDate(QDate date, QTime time = QTime(0, 0));
    static DayDate now();
    // 30 December 1899, midnight: the value of a date that was never set.
    static constexpr DayDate zero() { return DayDate(); }

    // Local date and time; an invalid QDateTime for values outside QDate's range.
    QDateTime toDateTime() const;
    QDate date() const;
    QTime time() const;

    constexpr double days() const { return m_days; }
    constexpr bool isZero() const { return m_days == 0.0; }

    friend constexpr bool operator==(DayDate a, DayDate b) { return a.m_days == b.m_days; }
    friend constexpr bool operator<(DayDate a, DayDate b) { return a.m_days < b.m_days; }

private:
    double m_days = 0.0;
};
