#include "print_service.h"

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>

#include "print/cups_library.h"

namespace salvenor::print {

namespace {

using Clock = std::chrono::steady_clock;

// How often a silent connection asks whether to go on waiting.
constexpr double kWaitSliceSeconds = 0.1;
// The document goes out in pieces of this size, so that a cancel is seen between them.
constexpr std::size_t kWriteChunk = 16384;

// How long a copy under way may still take once the user has cancelled: a service that
// answers at all answers well within it, so the copy is not left in doubt.
constexpr auto kCancelGrace = std::chrono::milliseconds{1000};

struct Watch
{
    Watch(std::chrono::milliseconds limit, const std::atomic<bool> *cancelledFlag)
        : deadline(Clock::now() + limit)
        , cancelled(cancelledFlag)
    { }

    Clock::time_point deadline;
    const std::atomic<bool> *cancelled;
    std::optional<Clock::time_point> cancelSeen;
    bool abandoned = false;

    bool keepWaiting()
    {
        const auto now = Clock::now();
        if (now >= deadline)
            abandoned = true;
        if (cancelled != nullptr && cancelled->load()) {
            if (!cancelSeen)
                cancelSeen = now;
            if (now - *cancelSeen >= kCancelGrace)
                abandoned = true;
        }
        return !abandoned;
    }
    bool gaveUp() const { return abandoned || Clock::now() >= deadline; }
};

int keepWaiting(http_t * /*http*/, void *data)
{
    return static_cast<Watch *>(data)->keepWaiting() ? 1 : 0;
}

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 1));
}

// A connection to the configured service whose waits end at the watch's deadline or
// cancellation; null when nothing answers the connection itself in time.
http_t *connectWatched(const CupsLibrary &cups, Watch &watch)
{
    // The library keeps the service's address per thread; a pooled thread would keep an old one.
    cups.setServer(nullptr);
    http_t *http = cups.connect2(cups.server(), cups.port(), nullptr, AF_UNSPEC, cups.encryption(), 1,
        millisecondsUntil(watch.deadline), nullptr);
    if (http != nullptr)
        cups.setTimeout(http, kWaitSliceSeconds, keepWaiting, &watch);
    return http;
}

// What Qt asks when it builds the printer the dialog shows first, the default one or else the
// first listed: that printer by its name (Get-Printer-Attributes), its capabilities (asked at
// the printer's own address) and its PPD file. A default printer is named by CUPS-Get-Default,
// which a service may answer while it never describes a printer.
void describeFirstPrinter(const CupsLibrary &cups, http_t *http, Watch &watch, int count, cups_dest_t *destinations)
{
    const cups_dest_t *first = cups.getDest(nullptr, nullptr, count, destinations);
    if (first == nullptr && count > 0)
        first = &destinations[0];
    if (first == nullptr)
        return;
    cups_dest_t *described = cups.getNamedDest(http, first->name, first->instance);
    if (described == nullptr || !watch.keepWaiting()) {
        cups.freeDests(described != nullptr ? 1 : 0, described);
        return;
    }
    cups.freeDestInfo(cups.copyDestInfo(http, described));
    // Read and dropped: only the answer matters here.
    const int nowhere = watch.keepWaiting() ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
    if (nowhere >= 0) {
        const std::string ppd = std::string{"/printers/"} + described->name + ".ppd";
        cups.getFd(http, ppd.c_str(), nowhere);
        ::close(nowhere);
    }
    cups.freeDests(1, described);
}

// Withdraws the job `id`, on a connection of its own: the one that opened it may hang.
bool withdrawJob(const CupsLibrary &cups, const std::string &printer, int id, std::chrono::milliseconds limit)
{
    Watch watch{limit, nullptr};
    http_t *http = connectWatched(cups, watch);
    if (http == nullptr)
        return false;
    const ipp_status_t status = cups.cancelJob2(http, printer.c_str(), id, 0);
    cups.close(http);
    return status == IPP_STATUS_OK && !watch.gaveUp();
}

} // namespace

ServiceAnswer askPrintService(std::chrono::milliseconds limit, const std::atomic<bool> &abandoned)
{
    const CupsLibrary *library = cupsLibrary();
    if (library == nullptr)
        return ServiceAnswer::Unreachable;
    const CupsLibrary &cups = *library;
    Watch watch{limit, &abandoned};
    http_t *http = connectWatched(cups, watch);
    if (http == nullptr)
        return watch.gaveUp() ? ServiceAnswer::Silent : ServiceAnswer::Unreachable;
    cups_dest_t *destinations = nullptr;
    const int count = cups.getDests2(http, &destinations);
    if (!watch.gaveUp())
        describeFirstPrinter(cups, http, watch, count, destinations);
    cups.freeDests(count, destinations);
    const bool gaveUp = watch.gaveUp();
    cups.close(http);
    return gaveUp ? ServiceAnswer::Silent : ServiceAnswer::Answered;
}

std::string refusalReason(int status, const std::string &printer, const std::string &serviceText)
{
    const std::string name = "„" + printer + "“";
    switch (static_cast<ipp_status_t>(status)) {
    case IPP_STATUS_ERROR_NOT_FOUND:
        return "Den Drucker " + name + " gibt es nicht mehr.";
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        return "Der Drucker " + name + " nimmt zurzeit keine Aufträge an.";
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
        return "Der Druckdienst erlaubt nicht, auf " + name + " zu drucken.";
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
        return "Der Drucker " + name + " kann keine PDF-Dokumente drucken.";
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
    case IPP_STATUS_ERROR_BUSY:
    case IPP_STATUS_ERROR_DEVICE:
    case IPP_STATUS_ERROR_TEMPORARY:
        return "Der Druckdienst ist zurzeit nicht bereit (Meldung: „" + serviceText + "“).";
    default:
        return "Der Druckdienst hat den Auftrag abgelehnt (Meldung: „" + serviceText + "“).";
    }
}

JobOutcome submitJob(const std::string &printer, std::string_view pdf, const std::string &title,
    const JobOptions &options, std::chrono::milliseconds limit, const std::atomic<bool> &cancelled,
    std::chrono::milliseconds withdrawLimit)
{
    const CupsLibrary *library = cupsLibrary();
    Watch watch{limit, &cancelled};
    http_t *http = library != nullptr ? connectWatched(*library, watch) : nullptr;
    if (http == nullptr)
        return {JobResult::Refused, "Der Druckdienst ist nicht erreichbar."};
    const CupsLibrary &cups = *library;
    cups_option_t *cupsOptions = nullptr;
    int optionCount = 0;
    for (const auto &[name, value] : options)
        optionCount = cups.addOption(name.c_str(), value.c_str(), optionCount, &cupsOptions);
    const int job = cups.createJob(http, printer.c_str(), title.c_str(), optionCount, cupsOptions);
    cups.freeOptions(optionCount, cupsOptions);
    if (job <= 0) {
        JobOutcome outcome{JobResult::Refused, refusalReason(cups.lastError(), printer, cups.lastErrorString())};
        if (watch.gaveUp()) {
            // The request went out: the service may have opened the job without saying so.
            outcome = {JobResult::Uncertain, "Der Druckdienst hat auf den Auftrag nicht geantwortet."};
        } else if (cups_dest_t *exists = cups.getNamedDest(http, printer.c_str(), nullptr); exists != nullptr) {
            cups.freeDests(1, exists);
        } else if (!watch.gaveUp()) {
            // The library words a queue that has gone away as a missing file.
            outcome.reason = refusalReason(IPP_STATUS_ERROR_NOT_FOUND, printer, {});
        }
        cups.close(http);
        return outcome;
    }
    http_status_t sent = cups.startDocument(http, printer.c_str(), job, title.c_str(), CUPS_FORMAT_PDF, 1);
    for (std::size_t at = 0; sent == HTTP_STATUS_CONTINUE && at < pdf.size(); at += kWriteChunk) {
        const std::size_t length = std::min(kWriteChunk, pdf.size() - at);
        sent = cups.writeRequestData(http, pdf.data() + at, length);
    }
    const ipp_status_t status = cups.finishDocument(http, printer.c_str());
    const bool answered = !watch.gaveUp();
    const std::string serviceText = cups.lastErrorString();
    cups.close(http);
    if (sent == HTTP_STATUS_CONTINUE && status <= IPP_STATUS_OK_EVENTS_COMPLETE && answered)
        return {JobResult::Taken, {}};
    // The job is open on the service: withdraw it, so that it cannot print unseen.
    if (withdrawJob(cups, printer, job, withdrawLimit)) {
        return {JobResult::Refused,
            answered ? refusalReason(status, printer, serviceText)
                     : "Der Druckdienst hat nicht rechtzeitig geantwortet; der Auftrag wurde zurückgezogen."};
    }
    if (answered && status > IPP_STATUS_OK_EVENTS_COMPLETE)
        return {JobResult::Refused, refusalReason(status, printer, serviceText)};
    return {JobResult::Uncertain,
        "Der Druckdienst hat den Auftrag erhalten, aber nicht bestätigt, und er ließ sich nicht zurückziehen."};
}

} // namespace salvenor::print
