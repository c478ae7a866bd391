// Prints the core's answer for stays and counts, so that the end-to-end scripts compare what the
// program shows with the core instead of restating the tariff:
//   core_answer 14.03.2016 18.03.2016 Erwachsene=2 Kind=1 [+ 01.07.2016 30.07.2016 Erwachsene=4 ...]
// prints each named category's sum ("Erwachsene 18,40") and last the total of all the stays
// ("Gesamt 20,00"), as a list's summary adds its rows. "core_answer --categories" prints the
// number of person categories; the line "Zellen 4;18,40;0,00;…;18,40;" of each stay, the result
// cells its row of a booking list gets.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/categories.h"
#include "core/contribution.h"
#include "core/date.h"
#include "core/money.h"

using namespace salvenor;

namespace {

const CategoryRules *categoryNamed(std::string_view key)
{
    for (const CategoryRules &rules : kCategories) {
        if (key == rules.key)
            return &rules;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // The number of person categories: the rows a script tabs through.
    if (argc == 2 && std::string_view{argv[1]} == "--categories") {
        std::printf("%zu\n", kCategoryCount);
        return 0;
    }
    Money total;
    int i = 1;
    while (i < argc) {
        if (i + 1 >= argc)
            return 2;
        const ParsedDate arrival = parseDateText(argv[i]);
        const ParsedDate departure = parseDateText(argv[i + 1]);
        if (arrival.kind != DateTextKind::CalendarDay || departure.kind != DateTextKind::CalendarDay)
            return 2;
        std::array<Money, kCategoryCount> sums{};
        for (i += 2; i < argc && std::string_view{argv[i]} != "+"; ++i) {
            const std::string_view argument{argv[i]};
            const std::size_t equals = argument.find('=');
            const CategoryRules *named = categoryNamed(argument.substr(0, equals));
            if (equals == std::string_view::npos || named == nullptr)
                return 2;
            const Money sum = calculateCategory(
                named->category, arrival.date, departure.date, std::stoi(std::string{argument.substr(equals + 1)}))
                                  .sum;
            std::printf("%s %s\n", std::string{named->key}.c_str(), formatMoney(sum).c_str());
            sums.at(indexOf(named->category)) = sum;
        }
        // The stay's result cells as a list's row gets them: nights, every sum, the total, no error.
        Money stayTotal;
        std::string cells = std::to_string(daysBetween(arrival.date, departure.date));
        for (const Money sum : sums) {
            cells.append(";").append(formatMoney(sum));
            stayTotal += sum;
        }
        std::printf("Zellen %s;%s;\n", cells.c_str(), formatMoney(stayTotal).c_str());
        total += stayTotal;
        ++i; // past the "+"
    }
    std::printf("Gesamt %s\n", formatMoney(total).c_str());
    return 0;
}
