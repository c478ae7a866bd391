#pragma once

#include "core/categories.h"
#include "print/print_surface.h"
#include "print/sheet_data.h"

namespace salvenor::print {

// Where a category's line stands on the sheet (mm from the top): one line every 10 mm from 63 mm
// on, in the categories' order.
constexpr double categoryLineTop(PersonCategory category)
{
    constexpr double kFirstLineTop = 63;
    constexpr double kLineStep = 10;
    return kFirstLineTop + kLineStep * static_cast<double>(indexOf(category));
}

// Prints one copy of the calculation sheet on the surface, from the set-up (Arial 12 bold) to
// the end of the document. Every item, font change and the end of the document is a step of its
// own: a step that fails is skipped silently and printing goes on.
void printSheet(PrintSurface &surface, const SheetData &data);

// The amount per night printed in a category line: "x 3,20 €" where it is the rate that makes the
// sum, "Ø 1,82 €" (the sum's average, rounded) where it is `averaged` (two rates or a cap made the
// sum) or does not multiply out to the sum; throws where it cannot be computed (no nights, no
// count).
QString amountPerNight(const SheetCategoryLine &line, int nights, bool averaged = false);

} // namespace salvenor::print
