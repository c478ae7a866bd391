#include "explanation.h"

namespace salvenor {

namespace {

struct PartNames
{
    const char *first;
    const char *second;
};

PartNames partNames(SeasonCase seasonCase, bool newYearsEveWithNewYear)
{
    // Where the night of 31 December counts with the new year, the parts are not the calendar
    // years: they are named by their rate only.
    if (newYearsEveWithNewYear)
        return seasonCase == SeasonCase::PostSeasonIntoNewYear
            ? PartNames{"Nachsaison", "zum Nebensaisonsatz des neuen Jahres"}
            : PartNames{"zum Hauptsaisonsatz", "zum Nebensaisonsatz des neuen Jahres"};
    switch (seasonCase) {
    case SeasonCase::PreSeason:
        return {"Vorsaison", nullptr};
    case SeasonCase::MainSeason:
        return {"Hauptsaison", nullptr};
    case SeasonCase::PostSeason:
        return {"Nachsaison", nullptr};
    case SeasonCase::PreIntoMainSeason:
        return {"Vorsaison", "Hauptsaison"};
    case SeasonCase::MainIntoPostSeason:
        return {"Hauptsaison", "Nachsaison"};
    case SeasonCase::PreIntoPostSeason:
        return {"Vor- bis Nachsaison, zum Hauptsaisonsatz", nullptr};
    case SeasonCase::PostSeasonIntoNewYear:
        return {"Nachsaison im Anreisejahr", "im Folgejahr, zum Nebensaisonsatz"};
    case SeasonCase::None:
        break;
    }
    return {"im Anreisejahr, zum Hauptsaisonsatz", "im Folgejahr, zum Nebensaisonsatz"};
}

std::string tariffSuffix(const TariffPeriod *tariff)
{
    // A category's only tariff stays unnamed.
    return tariff == nullptr || tariff->name.empty() ? std::string{} : " (" + std::string{tariff->name} + ")";
}

std::string nightsText(int nights)
{
    return std::to_string(nights) + (nights == 1 ? " Nacht " : " Nächte ");
}

std::string nightsCount(int nights)
{
    return std::to_string(nights) + (nights == 1 ? " Nacht" : " Nächte");
}

std::string euros(Money amount)
{
    return formatMoney(amount) + " €";
}

} // namespace

std::string explainSum(const CategoryResult &result)
{
    const StaySplit &split = result.split;
    if (split.N1 + split.N2 == 0)
        return "Keine Übernachtung: kein Kurbeitrag.";
    if (result.count == 0)
        return "Keine Person gewählt: kein Kurbeitrag.";

    const PartNames names = partNames(split.seasonCase, split.newYearsEveWithNewYear);
    std::string text;
    if (split.newYearsEveWithNewYear) {
        // The nights of each calendar year as they are, then the bylaw's way of counting them.
        text = nightsCount(split.N1 + 1) + " im Anreisejahr, " + nightsCount(split.N2 - 1) + " im Folgejahr."
            + "\nDie Nacht vom 31. Dezember zum 1. Januar zählt nach der Satzung zum neuen Jahr.";
    }
    const auto addPart = [&](int nights, const char *name, Money rate, const TariffPeriod *tariff) {
        if (name == nullptr || nights == 0)
            return;
        if (!text.empty())
            text += "\n";
        text += nightsText(nights) + name + " zu " + euros(rate) + tariffSuffix(tariff);
    };
    addPart(split.N1, names.first, split.R1, split.tariff1);
    addPart(split.N2, names.second, split.R2, split.tariff2);

    text += "\n× " + std::to_string(result.count) + (result.count == 1 ? " Person" : " Personen") + " = "
        + euros(result.uncappedSum);
    if (result.yearTurnApplied) {
        text += "\nÜber dem Höchstbetrag von " + euros(split.cap.value_or(Money{}))
            + " je Person über den Jahreswechsel: der Höchstbetrag für das alte Jahr und " + nightsText(split.N2 - 1)
            + "im neuen Jahr zu " + euros(split.R2);
    } else if (result.capApplied) {
        text += "\nBegrenzt auf den Höchstbetrag von " + euros(split.cap.value_or(Money{})) + " je Person";
    }
    if (result.oneChildApplied)
        text += "\nNur ein Kind der Familie zahlt: geteilt durch " + std::to_string(result.count);
    text += "\nSumme: " + euros(result.sum);
    return text;
}

} // namespace salvenor
