#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace salvenor::print {

// The print service (CUPS) asked directly, each call on a connection of its own and within a
// time limit, so that a service that accepts connections and never answers cannot hold a
// thread for longer than that. Safe to call from any thread.

enum class ServiceAnswer {
    Answered, // it listed its printers (perhaps none)
    Unreachable, // nothing listens: Qt's print dialog finds no printers at once
    Silent, // it took the connection but gave no answer within the limit
};

// Asks the service for its printers, giving up after `limit`.
ServiceAnswer askPrintService(std::chrono::milliseconds limit);

using JobOptions = std::vector<std::pair<std::string, std::string>>;

struct JobOutcome
{
    bool accepted = false;
    std::string error; // the service's reason when not accepted
};

// Hands a document file to the queue `printer` as one job. Gives up when the service has not
// taken it within `limit` or when `cancelled` becomes true while it waits for an answer.
JobOutcome submitJob(const std::string &printer, const std::string &file, const std::string &title,
    const JobOptions &options, std::chrono::milliseconds limit, const std::atomic<bool> &cancelled);

} // namespace salvenor::print
