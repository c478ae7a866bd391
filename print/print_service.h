#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace salvenor::print {

// The print service (CUPS) asked directly, each call on a connection of its own and within a
// time limit, so that a service that accepts connections and never answers cannot hold a
// thread for longer than that. Safe to call from any thread.

enum class ServiceAnswer {
    Answered, // it listed its printers (perhaps none) and described the one the dialog shows first
    Unreachable, // nothing listens: Qt's print dialog finds no printers at once
    Silent, // it took the connection but gave no answer within the limit
};

// Asks the service what Qt's printer and print dialog ask when they are built: the list of
// printers and the default one (CUPS-Get-Printers, CUPS-Get-Default), then, of the default
// printer or else the first listed, its attributes by name and at its own address
// (Get-Printer-Attributes) and its PPD file. Gives up after `limit`, or soon after `abandoned`
// becomes true (nobody waits for the answer any more).
ServiceAnswer askPrintService(std::chrono::milliseconds limit, const std::atomic<bool> &abandoned);

using JobOptions = std::vector<std::pair<std::string, std::string>>;

enum class JobResult {
    Taken, // the service answered that it has the whole job
    Refused, // the service said no, or the job is withdrawn: nothing prints
    Uncertain, // the job went out but no answer came and it could not be withdrawn: it may print
};

struct JobOutcome
{
    JobResult result = JobResult::Refused;
    std::string reason; // German, for the user; empty when taken
};

// Hands a PDF document to the queue `printer` as one job. Gives up when the service has not
// taken it within `limit` or when `cancelled` becomes true while it waits for an answer; a job
// that the service has already opened is then withdrawn (within `withdrawLimit`).
JobOutcome submitJob(const std::string &printer, std::string_view pdf, const std::string &title,
    const JobOptions &options, std::chrono::milliseconds limit, const std::atomic<bool> &cancelled,
    std::chrono::milliseconds withdrawLimit = std::chrono::milliseconds{3000});

// Why the service refused a job on `printer`, in German; `status` is an IPP status code and
// `serviceText` the service's own words for it.
std::string refusalReason(int status, const std::string &printer, const std::string &serviceText);

} // namespace salvenor::print
