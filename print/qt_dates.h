#pragma once

#include <QDate>

#include "core/date.h"

namespace salvenor {

// The core's calendar day and Qt's, both ways; the window, the sheet and the batch tool share them.
inline Date toCoreDate(QDate date)
{
    return makeDate(date.day(), static_cast<unsigned>(date.month()), date.year());
}

inline QDate toQDate(Date date)
{
    return QDate{yearOf(date), static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day()))};
}

} // namespace salvenor
