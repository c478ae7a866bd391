#pragma once

#include <array>

#include "core/tariffs.h"

namespace salvenor::ui {

// The controls of one calculation row and what a screen reader says of them.
struct CategoryControls
{
    PersonCategory category;
    const char *caption; // the first caption label of the row
    const char *selector;
    const char *nights;
    const char *sum;
    const char *description; // "Erwachsene": the row's subject in German
};

inline constexpr std::array<CategoryControls, 6> kCategoryControls{{
    {PersonCategory::Erwachsene, "Label_Erwachsene", "Anz_Erwachsene", "Tage_Erwachsene", "Summe_Erwachsene",
        "Erwachsene"},
    {PersonCategory::Erw_Schwer, "Label_Erw_Schwerb1", "Anz_Erw_Schwer", "Tage_Erw_Schwer", "Summe_Erw_Schwer",
        "Erwachsene 80% Schwerbehindert"},
    {PersonCategory::Student, "Label_Student1", "Anz_Student", "Tage_Student", "Summe_Student",
        "Studenten, Schüler und Azubis"},
    {PersonCategory::Kind, "Label_Kind1", "Anz_Kind", "Tage_Kind", "Summe_Kind", "Kinder ab 12 Jahre"},
    {PersonCategory::Kind_Schwer, "Label_Kind4", "Anz_Kind_Schwer", "Tage_Kind_Schwer", "Summe_Kind_Schwer",
        "Kinder ab 12 Jahre 80% Schwerbehindert"},
    {PersonCategory::Kind_Fremd, "Label_Kind2", "Anz_Kind_Fremd", "Tage_Kind_Fremd", "Summe_Kind_Fremd",
        "Nicht familienangehörige Kinder ab 12 Jahre"},
}};

} // namespace salvenor::ui
