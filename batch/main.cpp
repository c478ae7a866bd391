#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "batch/booking_list.h"
#include "batch/input_list.h"
#include "batch/output_file.h"
#include "batch/sheet_files.h"
#include "batch/text_encoding.h"
#include "core/categories.h"
#include "core/money.h"

namespace {

using salvenor::batch::ListOptions;
using salvenor::batch::ListSummary;

// A message with the list's text in it, made safe for a terminal: control characters (C0, DEL
// and C1 in UTF-8) from the list are shown as "?".
std::string printable(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (byte < 0x20 || byte == 0x7F || c1) {
            shown += '?';
            i += c1 ? 1 : 0;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

constexpr const char *kProgram = "salvenor-batch";

// A line on standard error: whatever it names from the disk, the command line or the list passes
// printable() on its way to the terminal.
void tell(std::string_view text)
{
    std::cerr << kProgram << ": " << printable(text) << "\n";
}

// "Tab" for the tab character, which a shell cannot easily pass.
std::optional<char> separatorOf(const std::string &value)
{
    if (value == "\\t" || value == "Tab" || value == "tab" || value == "TAB")
        return '\t';
    if (value.size() == 1 && value != "\"" && value != "\n" && value != "\r")
        return value.front();
    return std::nullopt;
}

std::string groupKeys()
{
    std::string keys;
    for (const salvenor::CategoryRules &category : salvenor::kCategories)
        keys.append(keys.empty() ? "" : ", ").append(category.key);
    return keys;
}

// What the help says after the options; the categories are the table's.
std::string helpFooter()
{
    const std::string keys = groupKeys();
    return "Gelesen werden die Spalten Anreise, Abreise und mindestens eine Personengruppe (" + keys
        + ", auch mit ihren üblichen Namen wie \"Anzahl Erwachsene\" oder \"Schüler\"); Zeilenenden CRLF, LF oder "
          "CR. Eine Spalte, deren Name keine Gruppe nennt, aber deren Zellen ganze Zahlen wie Personenzahlen sind, "
          "wird abgelehnt, bis --column oder --pass-column sagt, was sie ist. Die Kodierung ("
        + salvenor::batch::encodingNames()
        + ") wird nach festen Regeln erkannt, die die Handbuchseite nennt.\n"
          "Exit-Status: 0 alle Zeilen berechnet, 1 Zeilen mit Fehlern, 2 Eingabe nicht verwendbar.\n"
          "Mehr in der Handbuchseite salvenor-batch(1).";
}

// Exit statuses.
constexpr int kEveryRowCalculated = 0;
constexpr int kSomeRowsHaveErrors = 1;
constexpr int kListUnusable = 2;

struct Arguments
{
    std::string input = "-";
    std::string output = "-";
    std::string separator = ";";
    bool separatorGiven = false;
    std::string sheets;
    bool replaceSheets = false;
    std::vector<std::string> passColumns;
    std::vector<std::string> columnsAs; // "NAME=GRUPPE"
    std::string encoding;
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

// CLI11's messages are English: the usual ones in German, with what they name.
std::string germanParseError(const CLI::ParseError &error)
{
    const std::string what = error.what();
    const std::size_t colon = what.find(": ");
    const std::string before = colon == std::string::npos ? std::string{} : what.substr(0, colon);
    const std::string after = colon == std::string::npos ? what : what.substr(colon + 2);
    if (dynamic_cast<const CLI::ExtrasError *>(&error) != nullptr)
        return "Diese Angabe ist hier nicht vorgesehen: " + after;
    if (dynamic_cast<const CLI::ArgumentMismatch *>(&error) != nullptr) {
        return after.starts_with("At Most") ? before + " ist mehr als einmal angegeben"
                                            : "Bei " + before + " fehlt der Wert";
    }
    if (dynamic_cast<const CLI::ValidationError *>(&error) != nullptr)
        return before + ": " + after; // our own check's German text
    if (dynamic_cast<const CLI::RequiredError *>(&error) != nullptr)
        return "Es fehlt eine nötige Angabe";
    return "Die Angaben auf der Befehlszeile sind nicht verwendbar";
}

// The options that say what the list's columns and text are.
void addColumnOptions(CLI::App &app, Arguments &arguments)
{
    app.add_option("--pass-column", arguments.passColumns,
           "Reicht eine Spalte unverändert durch, die sonst abgelehnt würde: ihr Name zählt Personen, ohne genau "
           "eine Personengruppe zu nennen (Personen, Kinder), ähnelt einer Gruppe, oder ihre Zellen sind ganze "
           "Zahlen (mehrmals möglich)")
        ->type_name("NAME")
        ->expected(1)
        ->allow_extra_args(false) // the list's file name after it is no second column
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group("Optionen");
    app.add_option("--column", arguments.columnsAs,
           "Liest die Spalte NAME als Zahl der Personen einer Gruppe, etwa \"Lehrer=Erwachsene\"; mehrere "
           "Spalten einer Gruppe werden addiert (mehrmals möglich)")
        ->type_name("NAME=GRUPPE")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check([](const std::string &value) {
            return salvenor::batch::columnAsOf(value)
                ? std::string{}
                : "„" + value + "“ nennt nach dem letzten = keine Personengruppe (" + groupKeys() + ")";
        })
        ->group("Optionen");
    app.add_option("--encoding", arguments.encoding,
           "Die Kodierung der Liste, statt sie zu erkennen: " + salvenor::batch::encodingNames())
        ->type_name("NAME")
        ->check([](const std::string &value) {
            return salvenor::batch::encodingNamed(value)
                ? std::string{}
                : "„" + value + "“ ist keine der Kodierungen " + salvenor::batch::encodingNames();
        })
        ->group("Optionen");
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
    app.add_option("-o,--output", arguments.output,
           "Die Ergebnisliste; ohne Angabe: die Standardausgabe. Sie wird erst ersetzt, wenn die ganze Liste "
           "geschrieben ist, und darf die Eingabe sein")
        ->type_name("DATEI")
        ->group("Optionen");
    app.add_option("--separator", arguments.separator,
           R"(Das Trennzeichen der Felder (Vorgabe: ";"; Tab: "Tab"; eine erste Zeile sep=X nennt es auch))")
        ->type_name("ZEICHEN")
        ->check([](const std::string &value) {
            return separatorOf(value) ? std::string{}
                                      : "„" + value
                    + "“ ist kein Trennzeichen: Es muss ein einzelnes Zeichen außer \" "
                      "oder \"Tab\" sein";
        })
        ->group("Optionen");
    app.add_option("--sheets", arguments.sheets,
           "Schreibt für jede berechnete Zeile das Berechnungsblatt als PDF-Datei ORDNER/<Zeilennummer>.pdf; "
           "ein Ordner mit PDF-Dateien wird nur mit --replace-sheets genommen")
        ->type_name("ORDNER")
        ->group("Optionen");
    app.add_flag("--replace-sheets", arguments.replaceSheets,
           "Entfernt die Berechnungsblätter eines früheren Laufs (<Zeilennummer>.pdf) aus dem Ordner von --sheets")
        ->group("Optionen");
    addColumnOptions(app, arguments);
    app.footer(helpFooter());
    try {
        app.parse(argc, argv);
        // An empty name (an unset variable in a script) would ask for nothing, or for a file "".
        if (app.count("--output") > 0 && arguments.output.empty())
            throw CLI::ArgumentMismatch::AtLeast("--output", 1, 0);
        arguments.separatorGiven = app.count("--separator") > 0;
        if (app.count("--sheets") > 0 && arguments.sheets.empty())
            throw CLI::ArgumentMismatch::AtLeast("--sheets", 1, 0);
    } catch (const CLI::CallForHelp &) {
        std::cout << app.help();
        exitStatus = kEveryRowCalculated;
        return std::nullopt;
    } catch (const CLI::ParseError &error) {
        tell(germanParseError(error) + ". Hilfe: " + kProgram + " --help");
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
            std::fprintf(stderr, ", %d %% gelesen",
                static_cast<int>(std::min<std::uint64_t>(bytesRead, m_inputSize) * 100 / m_inputSize));
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
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
}

struct Streams
{
    salvenor::batch::InputList input;
    salvenor::batch::OutputFile outputFile;
    std::ostream fileStream{nullptr};
    std::ostream *out = &std::cout;
};

// Opens the named files; false, with the reason on standard error, where one cannot be opened.
// The output first: a run that waits for its input has its temporary file already, which a
// signal removes.
bool openStreams(const Arguments &arguments, Streams &streams)
{
    if (arguments.output == "-") {
        if (const std::string problem = salvenor::batch::standardOutputIsTheInput(arguments.input); !problem.empty()) {
            tell(problem);
            return false;
        }
    } else {
        if (!streams.outputFile.open(arguments.output)) {
            const std::string &problem = streams.outputFile.problem();
            tell("Die Datei „" + arguments.output + "“ kann nicht geschrieben werden: "
                + (problem.empty() ? salvenor::batch::systemErrorText(streams.outputFile.error()) : problem) + ".");
            return false;
        }
        streams.fileStream.rdbuf(&streams.outputFile);
        // The first failed write ends the run: nothing more is calculated for a list that is lost.
        streams.fileStream.exceptions(std::ios::badbit);
        streams.out = &streams.fileStream;
    }
    const std::string problem = streams.input.open(arguments.input, [](const std::string &notice) { tell(notice); });
    if (!problem.empty())
        tell(problem);
    return problem.empty();
}

std::string rowsText(long rows)
{
    return std::to_string(rows) + (rows == 1 ? " Zeile" : " Zeilen");
}

int reportSummary(const ListSummary &summary, const std::vector<long> &sheetsFailed)
{
    if (!sheetsFailed.empty()) {
        std::string lines;
        constexpr std::size_t kNamed = 10;
        for (std::size_t i = 0; i < std::min(sheetsFailed.size(), kNamed); ++i)
            lines += (i == 0 ? "" : ", ") + std::to_string(sheetsFailed[i]);
        if (sheetsFailed.size() > kNamed)
            lines += " …";
        std::cerr << kProgram << ": " << sheetsFailed.size()
                  << (sheetsFailed.size() == 1 ? " Berechnungsblatt konnte" : " Berechnungsblätter konnten")
                  << " nicht geschrieben werden, für die " << (sheetsFailed.size() == 1 ? "Zeile " : "Zeilen ") << lines
                  << ".\n";
    }
    std::cerr << kProgram << ": " << rowsText(summary.rows) << ", davon " << summary.rowsWithErrors
              << " mit Fehlern; Summe aller Beträge: " << salvenor::formatMoney(summary.total) << " €\n";
    const bool failed = summary.rowsWithErrors > 0 || !sheetsFailed.empty() || !summary.columnsNotFound.empty();
    return failed ? kSomeRowsHaveErrors : kEveryRowCalculated;
}

// The list is read: the result goes to its place, unless the input changed meanwhile or the
// output failed; then the summary.
// A list named like a sheet in the sheets' folder would be replaced by a sheet, or replace one.
std::string clashesWithTheSheets(const Arguments &arguments)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(arguments.sheets, error);
    for (const std::string *file : {&arguments.input, &arguments.output}) {
        const fs::path path{*file};
        const std::string name = path.filename().string();
        constexpr std::size_t kSuffix = 4; // ".pdf"
        const bool sheetName = name.size() > kSuffix
            && std::all_of(name.begin(), name.end() - kSuffix, [](char c) { return c >= '0' && c <= '9'; })
            && std::equal(name.end() - kSuffix, name.end(), ".pdf", [](char a, char b) { return (a | 0x20) == b; });
        const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path{"."};
        if (*file != "-" && sheetName && fs::weakly_canonical(parent, error) == folder) {
            return "Die Datei „" + *file + "“ steht im Ordner der Berechnungsblätter „" + arguments.sheets
                + "“ und heißt wie ein Blatt: Sie würde durch ein Blatt ersetzt oder ersetzte eines. Bitte eine "
                  "Datei außerhalb des Ordners.";
        }
    }
    return {};
}

// The run failed after its sheets were written: they go, so that none stands for a list that was
// not written.
void removeTheSheets(salvenor::batch::SheetFiles *sheets)
{
    if (sheets == nullptr)
        return;
    if (const qsizetype count = sheets->removeWritten(); count > 0) {
        std::cerr << kProgram << ": " << (count == 1 ? "Das Berechnungsblatt" : "Die Berechnungsblätter")
                  << " dieses Laufs " << (count == 1 ? "wurde" : "wurden") << " wieder entfernt.\n";
    }
}

int finishList(
    const Arguments &arguments, Streams &streams, const ListSummary &summary, salvenor::batch::SheetFiles *sheets)
{
    if (streams.input.changedMeanwhile()) {
        removeTheSheets(sheets);
        tell("Die Datei „" + arguments.input + "“ wurde während des Laufs geändert oder ersetzt; die Ergebnisliste ist "
            + "nicht verlässlich" + (arguments.output == "-" ? "" : " und wird nicht geschrieben")
            + ". Bitte erneut aufrufen, wenn die Datei fertig ist.");
        return kListUnusable;
    }
    const bool written = arguments.output == "-" ? static_cast<bool>(*streams.out) : streams.outputFile.commit();
    if (!written) {
        removeTheSheets(sheets);
        std::string text = "Die Ergebnisliste konnte nicht geschrieben werden";
        if (arguments.output != "-") {
            text += ": " + salvenor::batch::systemErrorText(streams.outputFile.error());
            if (!streams.outputFile.direct())
                text += ". Die Datei „" + arguments.output + "“ bleibt, wie sie war";
        }
        tell(text + ".");
        return kListUnusable;
    }
    // The list is written: the sheets take the place of the earlier ones.
    std::vector<long> sheetsFailed;
    if (sheets != nullptr) {
        sheets->finish();
        sheetsFailed = sheets->failedLines();
    }
    return reportSummary(summary, sheetsFailed);
}

// What the list is read with, and where its messages go.
ListOptions listOptions(const Arguments &arguments, ProgressLine &progress)
{
    ListOptions options;
    options.separator = separatorOf(arguments.separator).value_or(';');
    options.separatorGiven = arguments.separatorGiven;
    options.passColumns = arguments.passColumns;
    for (const std::string &columnAs : arguments.columnsAs)
        options.columnsAs.push_back(salvenor::batch::columnAsOf(columnAs).value());
    if (!arguments.encoding.empty())
        options.encoding = salvenor::batch::encodingNamed(arguments.encoding);
    options.onProgress = [&progress](std::uint64_t bytesRead, long rows) { progress.update(bytesRead, rows); };
    options.onMessage = [&progress](const std::string &message) {
        progress.clear();
        tell(message);
    };
    options.onColumns = options.onMessage;
    return options;
}

int run(const Arguments &arguments, int argc, char **argv)
{
    salvenor::batch::removeTemporaryFilesOnSignals();
    Streams streams;
    if (!openStreams(arguments, streams))
        return kListUnusable;
    std::unique_ptr<salvenor::batch::SheetFiles> sheets;
    if (!arguments.sheets.empty()) {
        if (const std::string clash = clashesWithTheSheets(arguments); !clash.empty()) {
            tell(clash);
            return kListUnusable;
        }
        sheets = std::make_unique<salvenor::batch::SheetFiles>(arguments.sheets, arguments.replaceSheets, argc, argv);
        if (!sheets->ready()) {
            tell(sheets->problem());
            return kListUnusable;
        }
    }

    ProgressLine progress{arguments.input == "-" ? 0 : sizeOf(arguments.input)};
    ListOptions options = listOptions(arguments, progress);
    if (sheets) {
        options.onCalculated = [&sheets, &progress](const salvenor::batch::CalculatedRow &row) {
            sheets->write(row);
            progress.update(row.bytesRead, row.number); // a batch of sheets takes a fraction of a second
        };
    }
    ListSummary summary;
    try {
        summary = processBookingList(streams.input.stream(), *streams.out, options);
        streams.out->flush();
    } catch (const salvenor::batch::UnusableList &error) {
        progress.clear();
        // One line for each reason: a list refused for several columns names them all.
        std::string_view reasons = error.what();
        for (std::size_t end = 0; !reasons.empty(); reasons.remove_prefix(std::min(end + 1, reasons.size()))) {
            end = std::min(reasons.find('\n'), reasons.size());
            tell(reasons.substr(0, end));
        }
        removeTheSheets(sheets.get());
        return kListUnusable;
    } catch (const std::ios_base::failure &) {
        // Handled below, with the reason.
    }
    progress.clear();
    if (sheets)
        sheets->flush(); // the last batch, before the list is written
    return finishList(arguments, streams, summary, sheets.get());
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
    } catch (const std::bad_alloc &) {
        std::cerr << kProgram << ": Der Arbeitsspeicher reicht nicht.\n";
    } catch (const std::exception &error) {
        tell(std::string{"unerwarteter Fehler ("} + error.what() + ")");
    } catch (...) {
        std::cerr << kProgram << ": unerwarteter Fehler\n";
    }
    return kListUnusable;
}
