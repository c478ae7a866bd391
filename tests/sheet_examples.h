#pragma once

#include <QDate>
#include <QString>

#include "print/sheet_data.h"

namespace salvenor::test {

// A window as the sheet reads it: two adults and two children of the family for 7 nights.
inline print::SheetData sevenNightsSheet(const QString &total = QStringLiteral("50,40"))
{
    print::SheetData data;
    data.today = QDate{2016, 3, 14};
    data.arrival = QDate{2016, 3, 14};
    data.departure = QDate{2016, 3, 21};
    data.arrivalDayText = QStringLiteral("Mo. 14.03.2016");
    data.departureDayText = QStringLiteral("Mo. 21.03.2016");
    data.lines = {{
        {.countText = QStringLiteral("2"), .sumText = QStringLiteral("44,80"), .perCategory = false},
        {.countText = QStringLiteral("0"), .sumText = QStringLiteral("0,00"), .perCategory = false},
        {.countText = QStringLiteral("0"), .sumText = QStringLiteral("0,00"), .perCategory = false},
        {.countText = QStringLiteral("2"), .sumText = QStringLiteral("5,60"), .perCategory = true},
        {.countText = QStringLiteral("0"), .sumText = QStringLiteral("0,00"), .perCategory = true},
        {.countText = QStringLiteral("0"), .sumText = QStringLiteral("0,00"), .perCategory = false},
    }};
    data.totalText = total;
    data.servicePhone = QStringLiteral("(0 49 99) 555-0123");
    return data;
}

} // namespace salvenor::test
