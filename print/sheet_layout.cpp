#include "sheet_layout.h"

#include <array>
#include <cstdint>
#include <exception>

#include "core/money.h"
#include "resources/version_info.h"

namespace salvenor::print {

namespace {

constexpr const char *kFace = "Arial";
constexpr double kSumsRightMargin = 40;
// The separator stands a fixed distance below the last category line and the total below it, so
// that a category added to the table gets its line above them (mm).
constexpr double kSeparatorBelowLastLine = 7;
constexpr double kTotalBelowSeparator = 5;
constexpr double kSeparatorY = categoryLineTop(kCategories.back().category) + kSeparatorBelowLastLine;
constexpr double kTotalY = kSeparatorY + kTotalBelowSeparator;
// How an averaged amount per night came about: small type below its line, clear of the next.
constexpr double kRateNoteSize = 6;
constexpr double kRateNoteBelowLine = 4.1;
// The total's double underline.
constexpr double kFirstUnderlineBelowTotal = 5;
constexpr double kSecondUnderlineBelowTotal = 6;

// Runs one step of the sheet; a failing step leaves its place empty.
template<typename Step> void step(Step &&run) noexcept
{
    try {
        run();
    } catch (const std::exception &) {
        // skipped silently: the rest of the sheet still prints
    }
}

QString twoDecimals(double value)
{
    return QString::fromStdString(formatTwoDecimals(value));
}

QString moneyText(Money amount)
{
    return QString::fromStdString(formatMoney(amount));
}

void printCentred(PrintSurface &surface, const QString &text, double y)
{
    surface.printText(text, (surface.printableWidth() - surface.textWidth(text)) / 2, y);
}

void printRightAligned(PrintSurface &surface, const QString &text, double y)
{
    surface.printText(text, surface.printableWidth() - kSumsRightMargin - surface.textWidth(text), y);
}

void setFont(PrintSurface &surface, double pointSize, bool bold)
{
    step([&] { surface.setFont(QString::fromLatin1(kFace), pointSize, bold); });
}

// Whether the line's amount per night, times the nights (and the persons, where it is per
// person), gives its sum to the cent.
bool multipliesOut(const SheetCategoryLine &line, int nights)
{
    const std::int64_t persons = line.perCategory ? 1 : line.count;
    return line.sum.cents() % (nights * persons) == 0;
}

// "x " before an amount that is the rate of the sum; "Ø " (an average) before one that is not, so
// that nobody who multiplies it out takes the sum for wrong.
QString rateSign(const SheetCategoryLine &line, int nights, bool averaged)
{
    return !averaged && multipliesOut(line, nights) ? QStringLiteral("x ") : QStringLiteral("Ø ");
}

} // namespace

QString amountPerNight(const SheetCategoryLine &line, int nights, bool averaged)
{
    const double sum = static_cast<double>(line.sum.cents()) / 100;
    if (line.perCategory) {
        if (nights == 0)
            throw PrintStepError("no nights to divide by");
        return rateSign(line, nights, averaged) + twoDecimals(sum / nights) + QStringLiteral(" €");
    }
    if (!(sum > 0))
        return QStringLiteral("x 0,00 €");
    if (nights == 0 || line.count == 0)
        throw PrintStepError("no nights or no persons to divide by");
    return rateSign(line, nights, averaged) + twoDecimals(sum / nights / line.count) + QStringLiteral(" €");
}

namespace {

// A category's line: the count and name, the nights, the amount per night, "=", the sum; below
// it, in small type, how the sum came about where the sheet says so. Ends in the line's font.
void printCategoryLine(PrintSurface &surface, const SheetData &data, const CategoryRules &category, int nights)
{
    const std::size_t index = indexOf(category.category);
    const SheetCategoryLine &line = data.lines.at(index);
    const double y = categoryLineTop(category.category);
    const QString name = QString::fromUtf8(category.printedName.data(), std::ssize(category.printedName));
    step([&] { surface.printText(QString::number(line.count) + name, 36, y); });
    step([&] { surface.printText(QStringLiteral("x ") + QString::number(nights) + QStringLiteral(" Nächte"), 93, y); });
    step([&] { surface.printText(amountPerNight(line, nights, data.averagedAmounts.at(index)), 118, y); });
    step([&] { surface.printText(QStringLiteral("="), 137, y); });
    step([&] { printRightAligned(surface, moneyText(line.sum) + QStringLiteral(" €"), y); });
    if (const QString &note = data.rateNotes.at(index); !note.isEmpty()) {
        setFont(surface, kRateNoteSize, false);
        step([&] { surface.printText(note, 36, y + kRateNoteBelowLine); });
        setFont(surface, 10, false);
    }
}

} // namespace

void printSheet(PrintSurface &surface, const SheetData &data)
{
    const int nights = static_cast<int>(data.arrival.daysTo(data.departure));
    const QString nightsText = QString::number(nights);

    setFont(surface, 12, true);
    step([&] { surface.printText(QStringLiteral("Nordseeinsel Quarnum"), 13, 0); });
    step([&] { surface.printText(data.today.toString(QStringLiteral("dd.MM.yyyy")), 160, 0); });
    step([&] { surface.drawLine(3, 8, 193, 8); });
    step([&] { printCentred(surface, QStringLiteral("Kurbeitragsberechnung"), 33); });

    setFont(surface, 8, false);
    step([&] {
        printCentred(surface,
            QStringLiteral("Anreisetag = ") + data.arrivalDayText + QStringLiteral(" Abreisetag = ")
                + data.departureDayText,
            40);
    });
    step([&] {
        printCentred(surface,
            QStringLiteral("Das entspricht einem Aufenthalt von ") + nightsText + QStringLiteral(" Übernachtungen."),
            surface.currentY());
    });

    setFont(surface, 10, false);
    for (const CategoryRules &category : kCategories)
        printCategoryLine(surface, data, category, nights);
    step([&] { surface.drawLine(36, kSeparatorY, 158, kSeparatorY); });

    setFont(surface, 10, true);
    step([&] { surface.printText(QStringLiteral("zu zahlender Kurbeitrag"), 36, kTotalY); });
    step([&] { surface.printText(QStringLiteral("="), 137, kTotalY); });
    step([&] { printRightAligned(surface, moneyText(data.total) + QStringLiteral(" €"), kTotalY); });
    step([&] { surface.drawLine(137, kTotalY + kFirstUnderlineBelowTotal, 158, kTotalY + kFirstUnderlineBelowTotal); });
    step([&] {
        surface.drawLine(137, kTotalY + kSecondUnderlineBelowTotal, 158, kTotalY + kSecondUnderlineBelowTotal);
    });
    step([&] { surface.drawLine(3, 163, 193, 163); });

    setFont(surface, 8, false);
    step([&] {
        printCentred(surface,
            QStringLiteral("Die Berechnung wurde mit dem ") + QString::fromUtf8(version::kTitle)
                + QStringLiteral(" durchgeführt."),
            168);
    });
    step([&] {
        printCentred(surface, QStringLiteral("Kurbeitragskasse der ") + QString::fromUtf8(version::kCompanyName),
            surface.currentY());
    });
    step([&] { printCentred(surface, QStringLiteral("Service-Telefon: ") + data.servicePhone, surface.currentY()); });
    step([&] { surface.endDocument(); });
}

} // namespace salvenor::print
