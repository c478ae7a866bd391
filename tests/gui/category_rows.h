#pragma once

#include <array>

#include "app/main_window_design.h"
#include "core/categories.h"
#include "core_answers.h"

namespace salvenor::test {

// The names of each category's controls, as the tests find them in the window.
struct CategoryRow
{
    PersonCategory category;
    const char *caption;
    const char *selector;
    const char *nights;
    const char *sum;
};

inline const std::array<CategoryRow, kCategoryCount> &categoryRows()
{
    static const std::array<CategoryRow, kCategoryCount> rows = [] {
        std::array<CategoryRow, kCategoryCount> all{};
        for (const CategoryRules &rules : kCategories) {
            const ui::CategoryRowNames &names = ui::rowNames(rules.category);
            all.at(indexOf(rules.category)) = {.category = rules.category,
                .caption = names.caption.c_str(),
                .selector = names.selector.c_str(),
                .nights = names.nights.c_str(),
                .sum = names.sum.c_str()};
        }
        return all;
    }();
    return rows;
}

} // namespace salvenor::test
