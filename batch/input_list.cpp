#include "input_list.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "batch/output_file.h"
#include "batch/text_encoding.h"

namespace salvenor::batch {

namespace {

std::string shownName(const std::string &name)
{
    return name == "-" ? std::string{"Die Standardeingabe"} : "Die Datei „" + name + "“";
}

} // namespace

InputList::~InputList()
{
    if (m_spool != nullptr)
        std::fclose(m_spool);
    if (m_descriptor >= 0)
        close(m_descriptor);
}

std::string InputList::open(const std::string &name, const std::function<void(const std::string &)> &notice)
{
    const bool standardInput = name == "-";
    int descriptor = STDIN_FILENO;
    struct stat info
    {
    };
    if (!standardInput) {
        descriptor = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        const int error
            = descriptor < 0 ? errno : (fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode) ? EISDIR : 0);
        if (descriptor >= 0)
            m_descriptor = descriptor;
        if (error != 0)
            return shownName(name) + " kann nicht gelesen werden: " + systemErrorText(error) + ".";
    }
    if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
        m_fileDescriptor = descriptor;
        m_fileAtStart = info;
        m_name = standardInput ? std::string{} : name;
    } else {
        if (standardInput && isatty(STDIN_FILENO) == 1)
            notice("Die Buchungsliste wird von der Tastatur gelesen (Standardeingabe); Ende mit Strg+D. Eine Datei: "
                   "salvenor-batch LISTE.csv");
        if (std::string problem = spool(descriptor, shownName(name)); !problem.empty())
            return problem;
        descriptor = fileno(m_spool);
    }
    m_buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(descriptor, std::ios::in | std::ios::binary);
    m_stream.rdbuf(m_buffer.get());
    return {};
}

std::string InputList::spool(int descriptor, const std::string &shownName)
{
    const char *variable = std::getenv("TMPDIR"); // NOLINT(concurrency-mt-unsafe): no other thread runs yet
    const std::string folder = variable != nullptr && *variable != '\0' ? variable : "/tmp";
    std::string path = folder + "/salvenor-batch.XXXXXX";
    const int file = mkstemp(path.data());
    if (file >= 0)
        unlink(path.c_str()); // gone with the program, however it ends
    m_spool = file >= 0 ? fdopen(file, "w+b") : nullptr;
    int keepError = m_spool == nullptr ? errno : 0;
    if (m_spool == nullptr && file >= 0)
        close(file);
    int readError = 0;
    std::array<char, std::size_t{1} << 16U> block{};
    std::uint64_t kept = 0;
    bool namedLater = false; // UTF-16 or a workbook: refused later, with how to save a CSV list
    for (ssize_t got = 0;
         keepError == 0 && readError == 0 && (got = read(descriptor, block.data(), block.size())) != 0;) {
        const std::string_view data{block.data(), got > 0 ? static_cast<std::size_t>(got) : 0};
        namedLater = namedLater || (kept == 0 && (isUtf16(data) || isWorkbook(data)));
        if (got < 0 && errno != EINTR)
            readError = errno;
        else if (!namedLater && data.find('\0') != std::string_view::npos)
            return shownName + " enthält Null-Bytes und ist darum kein Text, keine CSV-Liste.";
        else if (kept + data.size() > kSpoolLimit)
            return shownName + " ist länger als " + std::to_string(kSpoolLimit >> 30U)
                + " GiB, mehr als eine Buchungsliste, die zwischengespeichert wird; eine Datei wird ohne diese "
                  "Grenze gelesen.";
        else if (std::fwrite(data.data(), 1, data.size(), m_spool) != data.size())
            keepError = errno;
        kept += data.size();
    }
    if (keepError == 0 && readError == 0 && (std::fflush(m_spool) != 0 || std::fseek(m_spool, 0, SEEK_SET) != 0))
        keepError = errno;
    if (readError != 0)
        return shownName + " kann nicht gelesen werden: " + systemErrorText(readError) + ".";
    if (keepError != 0)
        return shownName + " wird vor dem Lesen im Ordner „" + folder
            + "“ zwischengespeichert (anders: TMPDIR); das geht nicht: " + systemErrorText(keepError) + ".";
    return {};
}

bool InputList::changedMeanwhile() const
{
    struct stat now
    {
    };
    if (m_fileDescriptor < 0)
        return false;
    // Written into, or replaced by another file under its name, as editors save (a new file renamed over it).
    struct stat named
    {
    };
    const bool replaced = !m_name.empty()
        && (stat(m_name.c_str(), &named) != 0 || named.st_dev != m_fileAtStart.st_dev
            || named.st_ino != m_fileAtStart.st_ino);
    return replaced || fstat(m_fileDescriptor, &now) != 0 || now.st_size != m_fileAtStart.st_size
        || now.st_mtim.tv_sec != m_fileAtStart.st_mtim.tv_sec || now.st_mtim.tv_nsec != m_fileAtStart.st_mtim.tv_nsec;
}

std::string standardOutputIsTheInput(const std::string &input)
{
    struct stat output
    {
    };
    struct stat inputInfo
    {
    };
    const bool sameFile = fstat(STDOUT_FILENO, &output) == 0 && S_ISREG(output.st_mode)
        && (input == "-" ? fstat(STDIN_FILENO, &inputInfo) : stat(input.c_str(), &inputInfo)) == 0
        && inputInfo.st_dev == output.st_dev && inputInfo.st_ino == output.st_ino;
    if (!sameFile)
        return {};
    const std::string advice = " Die Liste in sich selbst schreiben: salvenor-batch LISTE.csv -o LISTE.csv";
    if (inputInfo.st_size == 0) {
        return shownName(input)
            + " ist leer, weil die Standardausgabe in dieselbe Datei geht: Mit „> Datei“ leert die Shell sie, bevor "
              "das Programm startet."
            + advice;
    }
    return shownName(input)
        + " ist zugleich die Standardausgabe: Das Programm läse seine eigene Ausgabe. Nichts "
          "geschrieben."
        + advice;
}

} // namespace salvenor::batch
