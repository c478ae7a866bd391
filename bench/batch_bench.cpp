// The booking list beside the core's full recalculation, on the same generated bookings, and the
// calculation sheets of --sheets.
//   batch_bench                          the list's benchmarks on 1,000,000 rows, the sheets' on 2,000
//   batch_bench --write-list N FILE      writes a generated list of N rows (for the memory runs)
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QTemporaryDir>

#include "batch/booking_list.h"
#include "batch/sheet_files.h"
#include "core/contribution.h"
#include "print/sheet_pdf_series.h"

namespace {

using namespace salvenor;

constexpr int kRows = 1'000'000;

struct GeneratedList
{
    std::string csv;
    std::vector<Booking> valid; // the rows without an error, as parsed
};

// Stays over 2001-2030, most of a few nights, some of weeks; every category, mostly adults and
// children; about one row in a hundred with an error.
GeneratedList generateList(int rows)
{
    std::mt19937 random{20161208};
    const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution{low, high}(random); };
    const int nightsWeights[] = {1, 2, 3, 4, 5, 6, 7, 7, 7, 10, 14, 14, 21, 28};
    GeneratedList list;
    list.csv = "Buchung;Gast;Anreise;Abreise";
    for (const CategoryRules &category : kCategories)
        list.csv.append(";").append(category.key);
    list.csv += "\r\n";
    list.valid.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        Booking booking;
        booking.arrival = addDays(kFirstArrival, uniform(0, daysBetween(kFirstArrival, kLastArrival)));
        const int nights = nightsWeights[uniform(0, static_cast<int>(std::size(nightsWeights)) - 1)];
        booking.departure = std::min(addDays(booking.arrival, nights), kLastDeparture);
        for (const CategoryRules &category : kCategories) {
            const bool common
                = category.category == PersonCategory::Erwachsene || category.category == PersonCategory::Kind;
            const int count = uniform(0, common ? 1 : 9) == 0 ? uniform(1, std::min(4, category.maxCount)) : 0;
            booking.counts.at(indexOf(category.category)) = count;
        }
        const bool bad = uniform(0, 99) == 0;
        list.csv.append("Q-").append(std::to_string(100000 + row)).append(";Gast ").append(std::to_string(row % 997));
        list.csv.append(";").append(dateText(booking.arrival)).append(";");
        list.csv.append(bad ? std::string{"31.02.2016"} : dateText(booking.departure));
        for (const int count : booking.counts) {
            list.csv += ';';
            if (count > 0)
                list.csv.append(std::to_string(count));
        }
        list.csv += "\r\n";
        if (!bad)
            list.valid.push_back(booking);
    }
    return list;
}

const GeneratedList &theList()
{
    static const GeneratedList list = generateList(kRows);
    return list;
}

// Takes the output and forgets it.
class DiscardingBuffer final : public std::streambuf
{
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char * /*data*/, std::streamsize count) override { return count; }
};

// What the window and the tool do for each booking: the one calculation of all its categories.
void BM_CoreFullRecalculation(benchmark::State &state)
{
    const GeneratedList &list = theList();
    for (auto _ : state) {
        for (const Booking &booking : list.valid) {
            BookingResult result = calculateBooking(booking);
            benchmark::DoNotOptimize(result);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(list.valid.size()));
}
BENCHMARK(BM_CoreFullRecalculation)->Unit(benchmark::kMillisecond)->MinTime(2);

// The whole list: read, calculated and written (into nothing).
void BM_BookingList(benchmark::State &state)
{
    const GeneratedList &list = theList();
    DiscardingBuffer discard;
    std::ostream out{&discard};
    for (auto _ : state) {
        std::istringstream in{list.csv};
        const batch::ListSummary summary = batch::processBookingList(in, out, {});
        benchmark::DoNotOptimize(summary);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(list.csv.size()));
}
BENCHMARK(BM_BookingList)->Unit(benchmark::kMillisecond)->MinTime(2);

// One calculation sheet after the other into a folder, as --sheets writes them (items: sheets;
// per second of the benchmark's CPU time).
void BM_SheetFiles(benchmark::State &state)
{
    static const GeneratedList list = generateList(2000);
    const QTemporaryDir folder;
    int argc = 1;
    char name[] = "batch_bench";
    char *argv[] = {name, nullptr};
    batch::SheetFiles sheets{folder.path().toStdString(), false, argc, argv};
    if (!sheets.ready()) {
        state.SkipWithError(sheets.problem().c_str());
        return;
    }
    std::vector<batch::CalculatedRow> rows;
    for (const auto &booking : list.valid) {
        const long number = std::ssize(rows) + 1;
        rows.push_back({.number = number,
            .line = number + 1,
            .bytesRead = 0,
            .reference = "Q-" + std::to_string(100000 + number),
            .booking = booking,
            .result = calculateBooking(booking)}); // found by the booking's namespace
    }
    std::size_t next = 0;
    long line = 1;
    // A batch of sheets at a time, each batch written before the time is taken.
    constexpr int kBatch = print::SheetPdfSeries::kSheetsPerDocument;
    while (state.KeepRunningBatch(kBatch)) {
        for (int sheet = 0; sheet < kBatch; ++sheet) {
            // Each sheet is named by its line, and none is ever written over: the rows come round
            // again with lines of their own.
            batch::CalculatedRow row = rows[next];
            row.line = ++line;
            sheets.write(row);
            next = (next + 1) % rows.size();
        }
        sheets.flush();
        if (!sheets.failedLines().empty()) {
            state.SkipWithError("a sheet could not be written");
            return;
        }
    }
    sheets.finish();
    if (sheets.sheetsWrittenAlone() > 0)
        state.SkipWithError("sheets were drawn alone: the series failed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SheetFiles)->Unit(benchmark::kMillisecond)->MinTime(5);

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--write-list") == 0) {
        std::ofstream file{argv[3], std::ios::binary};
        file << generateList(std::stoi(argv[2])).csv;
        return file ? 0 : 1;
    }
    // The sheets draw with fonts, which need a GUI application, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application{argc, argv};
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
