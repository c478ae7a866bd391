#pragma once

#include <span>

#include "windows/design.h"

namespace salvenor::ui {

// The client area of the main window, in twips.
inline constexpr int kMainClientWidth = 9810;
inline constexpr int kMainClientHeight = 7695;

// Every control of the main window with its design position, in creation order.
std::span<const ControlSpec> mainWindowDesign();

} // namespace salvenor::ui
