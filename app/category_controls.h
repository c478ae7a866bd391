#pragma once

#include <array>

#include "core/tariffs.h"

namespace salvenor::ui {

// The controls of one calculation row and what a screen reader says of them.
struct CategoryControls
{
    PersonCategory category;
    const char *selector;
    const char *nights;
    const char *sum;
    const char *description; // "Erwachsene": the row's subject in German
};

inline constexpr std::array<CategoryControls, 6> kCategoryControls { {
    { PersonCategory::Erwachsene, "Anz_Erwachsene", "Tage_Erwachsene", "Summe_Erwachsene", "Erwachsene" },
    { PersonCategory::Erw_Schwer, "Anz_Erw_Schwer", "Tage_Erw_Schwer", "Summe_Erw_Schwer",
        "Erwachsene 80% Schwerbehindert" },
    { PersonCategory::Student, "Anz_Student", "Tage_Student", "Summe_Student", "Studenten, Schüler und Azubis" },
    { PersonCategory::Kind, "Anz_Kind", "Tage_Kind", "Summe_Kind", "Kinder ab 12 Jahre" },
    { PersonCategory::Kind_Schwer, "Anz_Kind_Schwer", "Tage_Kind_Schwer", "Summe_Kind_Schwer",
        "Kinder ab 12 Jahre 80% Schwerbehindert" },
    { PersonCategory::Kind_Fremd, "Anz_Kind_Fremd", "Tage_Kind_Fremd", "Summe_Kind_Fremd",
        "Nicht familienangehörige Kinder ab 12 Jahre" },
} };

} // namespace salvenor::ui
