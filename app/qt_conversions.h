#pragma once

#include <string_view>

#include <QDate>

#include "core/date.h"

namespace salvenor::ui {

inline Date toCoreDate(QDate date)
{
    return makeDate(date.day(), static_cast<unsigned>(date.month()), date.year());
}

inline QDate toQDate(Date date)
{
    return QDate{yearOf(date), static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day()))};
}

inline QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Texts of the core break lines with CR LF; a label breaks them with LF alone.
inline QString displayText(const std::string &text)
{
    return fromStd(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace salvenor::ui
