#include "print_service.h"

#include <cups/cups.h>

namespace salvenor::print {

namespace {

using Clock = std::chrono::steady_clock;

// How often a silent connection asks whether to go on waiting.
constexpr double kWaitSliceSeconds = 0.1;

struct Watch
{
    Clock::time_point deadline;
    const std::atomic<bool> *cancelled = nullptr;
};

int keepWaiting(http_t * /*http*/, void *data)
{
    const auto *watch = static_cast<const Watch *>(data);
    if (watch->cancelled != nullptr && watch->cancelled->load())
        return 0;
    return Clock::now() < watch->deadline ? 1 : 0;
}

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 1));
}

// A connection to the configured service whose waits end at the watch's deadline or
// cancellation; null when nothing answers the connection itself in time.
http_t *connectWatched(Watch &watch)
{
    http_t *http = httpConnect2(
        cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, millisecondsUntil(watch.deadline), nullptr);
    if (http != nullptr)
        httpSetTimeout(http, kWaitSliceSeconds, keepWaiting, &watch);
    return http;
}

} // namespace

ServiceAnswer askPrintService(std::chrono::milliseconds limit)
{
    Watch watch{Clock::now() + limit, nullptr};
    http_t *http = connectWatched(watch);
    if (http == nullptr)
        return Clock::now() < watch.deadline ? ServiceAnswer::Unreachable : ServiceAnswer::Silent;
    cups_dest_t *destinations = nullptr;
    const int count = cupsGetDests2(http, &destinations);
    cupsFreeDests(count, destinations);
    const bool gaveUp = Clock::now() >= watch.deadline;
    httpClose(http);
    return gaveUp ? ServiceAnswer::Silent : ServiceAnswer::Answered;
}

JobOutcome submitJob(const std::string &printer, const std::string &file, const std::string &title,
    const JobOptions &options, std::chrono::milliseconds limit, const std::atomic<bool> &cancelled)
{
    Watch watch{Clock::now() + limit, &cancelled};
    http_t *http = connectWatched(watch);
    if (http == nullptr)
        return {false, "Der Druckdienst ist nicht erreichbar."};
    cups_option_t *cupsOptions = nullptr;
    int optionCount = 0;
    for (const auto &[name, value] : options)
        optionCount = cupsAddOption(name.c_str(), value.c_str(), optionCount, &cupsOptions);
    const int job = cupsPrintFile2(http, printer.c_str(), file.c_str(), title.c_str(), optionCount, cupsOptions);
    cupsFreeOptions(optionCount, cupsOptions);
    JobOutcome outcome;
    outcome.accepted = job > 0;
    if (!outcome.accepted) {
        if (cancelled.load())
            outcome.error = "Abgebrochen.";
        else if (Clock::now() >= watch.deadline)
            outcome.error = "Der Druckdienst hat den Auftrag nicht rechtzeitig angenommen.";
        else
            outcome.error = cupsLastErrorString();
    }
    httpClose(http);
    return outcome;
}

} // namespace salvenor::print
