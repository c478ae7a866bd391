// The print service's library is opened on the first print. Where it cannot be (a machine without
// libcups2, or a broken copy found first), printing must end in the answer for a service that is
// not there, in German, and never crash or pass for success. CTest runs this with LD_LIBRARY_PATH
// on a folder that holds a stand-in libcups.so.2: one without the library's functions, or one that
// is no library at all, each in a folder whose path starts with SALVENOR_STAND_IN_FOLDERS, so that
// the test can check that the stand-in is what the loader found.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <string>

#include "print/print_service.h"

namespace {

using namespace std::chrono_literals;
using salvenor::print::askPrintService;
using salvenor::print::JobResult;
using salvenor::print::ServiceAnswer;
using salvenor::print::submitJob;

// The files of every libcups.so the process has mapped.
std::set<std::string> mappedPrintLibraries()
{
    std::ifstream maps{"/proc/self/maps"};
    std::set<std::string> found;
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/libcups.so") != std::string::npos)
            found.insert(line.substr(line.find('/')));
    }
    return found;
}

TEST(PrintLibraryMissing, TheServiceCountsAsUnreachable)
{
    const std::atomic<bool> abandoned{false};
    EXPECT_EQ(askPrintService(2s, abandoned), ServiceAnswer::Unreachable);
    // Only the stand-in may have been opened: a real library would answer for it.
    std::string elsewhere;
    for (const std::string &path : mappedPrintLibraries()) {
        if (!path.starts_with(SALVENOR_STAND_IN_FOLDERS))
            elsewhere += path + ' ';
    }
    EXPECT_EQ(elsewhere, "");
}

TEST(PrintLibraryMissing, AJobIsRefusedInGerman)
{
    const std::atomic<bool> cancelled{false};
    const auto outcome = submitJob("SalvenorAnyQueue", "%PDF-1.4\n%%EOF\n", "Kurbeitrag", {}, 2s, cancelled);
    EXPECT_EQ(outcome.result, JobResult::Refused);
    EXPECT_EQ(outcome.reason, "Der Druckdienst ist nicht erreichbar.");
}

} // namespace
