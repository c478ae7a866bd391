#pragma once

#include <string_view>

#include <QString>

#include "print/qt_dates.h"

namespace salvenor::ui {

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
