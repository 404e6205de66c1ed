#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest show a QString as text instead of an array of code units.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

#include <QVariant>

inline void PrintTo(const QVariant &value, std::ostream *os)
{
    *os << (value.isValid() ? value.typeName() : "invalid") << '(' << '"'
        << value.toString().toStdString() << '"' << ')';
}
