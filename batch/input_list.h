#pragma once

#include <cstdint>
#include <cstdio>
#include <ext/stdio_filebuf.h>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace salvenor::batch {

// The booking list to read, as a stream that can be read twice (its encoding is decided from all
// of it first): a file as it is; anything else (standard input from a pipe or a terminal, a named
// pipe, a process substitution, a device) copied into an unnamed temporary file in TMPDIR (or
// /tmp) first, up to kSpoolLimit, and refused at its first null byte (/dev/zero), which no text
// holds but UTF-16's.
inline constexpr std::uint64_t kSpoolLimit = std::uint64_t{4} << 30U;
class InputList final
{
public:
    InputList() = default;
    ~InputList();
    InputList(const InputList &) = delete;
    InputList &operator=(const InputList &) = delete;
    InputList(InputList &&) = delete;
    InputList &operator=(InputList &&) = delete;

    // The file of that name, or standard input for "-". Empty, or why not (German, for standard
    // error); on a terminal `notice` says what the program waits for.
    std::string open(const std::string &name, const std::function<void(const std::string &)> &notice);
    std::istream &stream() { return m_stream; }
    // A file that is written to while it is read (another program appending bookings) gives a list
    // read partly before and partly after; one replaced under its name meanwhile (an editor's save)
    // would lose that edit to a result written over it.
    bool changedMeanwhile() const;

private:
    std::string spool(int descriptor, const std::string &shownName);

    int m_descriptor = -1; // of a file named on the command line
    std::FILE *m_spool = nullptr;
    int m_fileDescriptor = -1; // of a file read as it is
    std::string m_name; // its name, where it was named
    struct stat m_fileAtStart
    {
    };
    std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> m_buffer;
    std::istream m_stream{nullptr};
};

// Why standard output, where it is the input file, cannot take the result: with
// `salvenor-batch list.csv >> list.csv` the program would read its own output back without end,
// with `> list.csv` the shell has emptied the list before the program started. Empty where
// standard output is another file, a pipe or a terminal.
std::string standardOutputIsTheInput(const std::string &input);

} // namespace salvenor::batch
