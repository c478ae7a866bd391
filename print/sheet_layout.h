#pragma once

#include "print/print_surface.h"
#include "print/sheet_data.h"

namespace salvenor::print {

// Prints one copy of the calculation sheet on the surface, from the set-up (Arial 12 bold) to
// the end of the document. Every item, font change and the end of the document is a step of its
// own: a step that fails is skipped silently and printing goes on.
void printSheet(PrintSurface &surface, const SheetData &data);

// The amount per night printed in a category line ("x 3,20 €"); throws where it cannot be
// computed (no nights, no count, a text that is not a number).
QString amountPerNight(const SheetCategoryLine &line, int nights);

} // namespace salvenor::print
