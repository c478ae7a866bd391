#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unistd.h>

#include "batch/booking_list.h"
#include "batch/sheet_files.h"
#include "core/money.h"

namespace {

using salvenor::batch::ListOptions;
using salvenor::batch::ListSummary;

// Exit statuses.
constexpr int kEveryRowCalculated = 0;
constexpr int kSomeRowsHaveErrors = 1;
constexpr int kListUnusable = 2;

constexpr const char *kProgram = "salvenor-batch";

struct Arguments
{
    std::string input = "-";
    std::string output = "-";
    std::string separator = ";";
    std::string sheets;
};

void germanHelp(CLI::App &app)
{
    auto formatter = std::make_shared<CLI::Formatter>();
    formatter->label("Usage", "Aufruf");
    formatter->label("OPTIONS", "OPTIONEN");
    formatter->label("Positionals", "Argumente");
    formatter->label("REQUIRED", "(nötig)");
    formatter->column_width(26);
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "Diese Hilfe zeigen und beenden")->group("Optionen");
}

std::optional<Arguments> parseArguments(int argc, char **argv, int &exitStatus)
{
    CLI::App app{"Berechnet den Kurbeitrag der Stadt Quarnum für eine ganze Buchungsliste (CSV) nach den "
                 "Regeln des Kurbeitragsrechners Salvenor 2016 und schreibt die Liste mit Nächten, Summen je "
                 "Personengruppe, Gesamtbetrag und Fehlern zurück.",
        kProgram};
    germanHelp(app);
    Arguments arguments;
    app.add_option("EINGABE", arguments.input, "Die Buchungsliste; ohne Angabe oder \"-\": die Standardeingabe")
        ->type_name("DATEI.csv");
    app.add_option("-o,--output", arguments.output, "Die Ergebnisliste; ohne Angabe: die Standardausgabe")
        ->type_name("DATEI")
        ->group("Optionen");
    app.add_option("--separator", arguments.separator, "Das Trennzeichen der Felder (Vorgabe: \";\")")
        ->type_name("ZEICHEN")
        ->check([](const std::string &value) {
            return value.size() == 1 && value != "\"" && value != "\n" && value != "\r"
                ? std::string{}
                : std::string{"Das Trennzeichen muss ein einzelnes Zeichen sein (nicht \")."};
        })
        ->group("Optionen");
    app.add_option("--sheets", arguments.sheets,
           "Schreibt für jede berechnete Zeile das Berechnungsblatt als PDF-Datei ORDNER/<Zeilennummer>.pdf")
        ->type_name("ORDNER")
        ->group("Optionen");
    app.footer("Exit-Status: 0 alle Zeilen berechnet, 1 Zeilen mit Fehlern, 2 Eingabe nicht verwendbar.\n"
               "Mehr in der Handbuchseite salvenor-batch(1).");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &) {
        std::cout << app.help();
        exitStatus = kEveryRowCalculated;
        return std::nullopt;
    } catch (const CLI::ParseError &error) {
        std::cerr << kProgram << ": Die Angaben auf der Befehlszeile sind nicht verwendbar (" << error.what()
                  << "). Hilfe: " << kProgram << " --help\n";
        exitStatus = kListUnusable;
        return std::nullopt;
    }
    return arguments;
}

// "12.345 Zeilen, 37 % gelesen" on the terminal, at most a few times a second, once the list
// has taken longer than a second.
class ProgressLine final
{
public:
    explicit ProgressLine(std::uint64_t inputSize)
        : m_inputSize(inputSize)
        , m_shown(isatty(STDERR_FILENO) == 1)
    { }

    void update(std::uint64_t bytesRead, long rows)
    {
        if (!m_shown)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_start < std::chrono::seconds{1} || now - m_last < std::chrono::milliseconds{200})
            return;
        m_last = now;
        std::fprintf(stderr, "\r%ld Zeilen", rows);
        if (m_inputSize > 0)
            std::fprintf(stderr, ", %d %% gelesen", static_cast<int>(bytesRead * 100 / m_inputSize));
        std::fflush(stderr);
        m_written = true;
    }

    void clear() const
    {
        if (m_written)
            std::fputs("\r\033[K", stderr);
    }

private:
    std::uint64_t m_inputSize;
    bool m_shown;
    bool m_written = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_last{};
};

std::uint64_t sizeOf(const std::string &path)
{
    std::ifstream file{path, std::ios::binary | std::ios::ate};
    return file ? static_cast<std::uint64_t>(file.tellg()) : 0;
}

std::string reasonOf(int error)
{
    return std::generic_category().message(error);
}

struct Streams
{
    std::ifstream inputFile;
    std::ofstream outputFile;
    std::istream *in = &std::cin;
    std::ostream *out = &std::cout;
};

// Opens the named files; false, with the reason on standard error, where one cannot be opened.
bool openStreams(const Arguments &arguments, Streams &streams)
{
    if (arguments.input != "-") {
        streams.inputFile.open(arguments.input, std::ios::binary);
        if (!streams.inputFile) {
            std::cerr << kProgram << ": Die Datei „" << arguments.input
                      << "“ kann nicht gelesen werden: " << reasonOf(errno) << "\n";
            return false;
        }
        streams.in = &streams.inputFile;
    }
    if (arguments.output != "-") {
        streams.outputFile.open(arguments.output, std::ios::binary | std::ios::trunc);
        if (!streams.outputFile) {
            std::cerr << kProgram << ": Die Datei „" << arguments.output
                      << "“ kann nicht geschrieben werden: " << reasonOf(errno) << "\n";
            return false;
        }
        streams.out = &streams.outputFile;
    }
    return true;
}

int reportSummary(const ListSummary &summary, long sheetsFailed)
{
    if (summary.truncated) {
        std::cerr << kProgram << ": Die Eingabe endet in Zeile " << summary.rows
                  << " mitten in einem Feld in Anführungszeichen; diese Zeile fehlt in der Ergebnisliste.\n";
    }
    if (sheetsFailed > 0)
        std::cerr << kProgram << ": " << sheetsFailed << " Berechnungsblätter konnten nicht geschrieben werden.\n";
    std::cerr << kProgram << ": " << summary.rows << " Zeilen, davon " << summary.rowsWithErrors
              << " mit Fehlern; Summe aller Beträge: " << salvenor::formatMoney(summary.total) << " €\n";
    return summary.rowsWithErrors > 0 || sheetsFailed > 0 ? kSomeRowsHaveErrors : kEveryRowCalculated;
}

int run(const Arguments &arguments, int argc, char **argv)
{
    Streams streams;
    if (!openStreams(arguments, streams))
        return kListUnusable;
    std::unique_ptr<salvenor::batch::SheetFiles> sheets;
    if (!arguments.sheets.empty()) {
        sheets = std::make_unique<salvenor::batch::SheetFiles>(arguments.sheets, argc, argv);
        if (!sheets->ready()) {
            std::cerr << kProgram << ": In den Ordner „" << arguments.sheets
                      << "“ können keine Berechnungsblätter geschrieben werden.\n";
            return kListUnusable;
        }
    }

    ProgressLine progress{arguments.input == "-" ? 0 : sizeOf(arguments.input)};
    ListOptions options;
    options.separator = arguments.separator.front();
    options.onProgress = [&progress](std::uint64_t bytesRead, long rows) { progress.update(bytesRead, rows); };
    long sheetsFailed = 0;
    if (sheets) {
        options.onCalculated = [&sheets, &sheetsFailed](const salvenor::batch::CalculatedRow &row) {
            if (!sheets->write(row))
                ++sheetsFailed;
        };
    }
    ListSummary summary;
    try {
        summary = processBookingList(*streams.in, *streams.out, options);
    } catch (const salvenor::batch::UnusableList &error) {
        progress.clear();
        std::cerr << kProgram << ": " << error.what() << "\n";
        return kListUnusable;
    }
    streams.out->flush();
    progress.clear();
    if (!*streams.out) {
        std::cerr << kProgram << ": Die Ergebnisliste konnte nicht vollständig geschrieben werden.\n";
        return kListUnusable;
    }
    return reportSummary(summary, sheetsFailed);
}

} // namespace

int main(int argc, char **argv)
{
    try {
        std::ios::sync_with_stdio(false);
        int exitStatus = kEveryRowCalculated;
        const std::optional<Arguments> arguments = parseArguments(argc, argv, exitStatus);
        if (!arguments)
            return exitStatus;
        return run(*arguments, argc, argv);
    } catch (const std::exception &error) {
        std::cerr << kProgram << ": " << error.what() << "\n";
    } catch (...) {
        std::cerr << kProgram << ": unerwarteter Fehler\n";
    }
    return kListUnusable;
}
