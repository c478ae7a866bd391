#include "text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace salvenor::batch {

namespace {

// The length of the UTF-8 sequence that starts with `lead`, 0 for a byte no sequence starts with.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0U) == 0x80U;
}

// One conversion of glibc's iconv, opened once for the program's run.
class Converter final
{
public:
    Converter(const char *to, const char *from)
        : m_descriptor(iconv_open(to, from))
    {
        if (m_descriptor
            == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr): iconv's own failure value
            throw std::runtime_error(std::string{"iconv cannot convert "} + from + " to " + to);
    }
    ~Converter() { iconv_close(m_descriptor); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts all of `text`; a byte sequence the target lacks, or the source does not define,
    // becomes "?" and the conversion goes on after one character (`skip` gives its length).
    template<typename Skip> std::string convert(std::string_view text, Skip skip) const
    {
        std::string out(text.size() * 3 + 4, '\0');
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast): iconv's input is not const in its signature
        char *in = const_cast<char *>(text.data());
        std::size_t inLeft = text.size();
        char *to = out.data();
        std::size_t outLeft = out.size();
        iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(m_descriptor, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno != EILSEQ && errno != EINVAL)
                break; // E2BIG cannot be: three bytes a byte is the most either way
            const std::size_t length = std::min(inLeft, skip(static_cast<unsigned char>(*in)));
            in += length;
            inLeft -= length;
            *to++ = '?';
            --outLeft;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t m_descriptor;
};

const Converter &fromUtf8()
{
    static const Converter converter{"WINDOWS-1252", "UTF-8"};
    return converter;
}

const Converter &toUtf8()
{
    static const Converter converter{"UTF-8", "WINDOWS-1252"};
    return converter;
}

bool allAscii(std::string_view text)
{
    std::size_t i = 0;
    constexpr std::uint64_t kHighBits = 0x8080808080808080U;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & kHighBits) != 0)
            return false;
    }
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0x80U) != 0)
            return false;
    }
    return true;
}

} // namespace

void EncodingScan::feed(std::string_view block)
{
    if (!m_started && !block.empty()) {
        m_started = true;
        m_byteOrderMark = block.starts_with(kByteOrderMark);
    }
    if (m_firstLineEnd == LineEnd::NotYetSeen) {
        for (std::size_t k = 0; k < block.size() && m_firstLineEnd == LineEnd::NotYetSeen; ++k) {
            if (m_carriageReturnLast)
                m_firstLineEnd = block[k] == '\n' ? LineEnd::CarriageReturnLineFeed : LineEnd::Other;
            else if (block[k] == '\n')
                m_firstLineEnd = LineEnd::Other;
            m_carriageReturnLast = block[k] == '\r';
        }
    }
    if (m_invalidUtf8)
        return;
    std::size_t i = 0;
    while (m_continuationsDue > 0 && i < block.size()) {
        if (!isContinuation(static_cast<unsigned char>(block[i]))) {
            m_invalidUtf8 = true;
            return;
        }
        --m_continuationsDue;
        ++i;
    }
    while (i < block.size()) {
        // Most of a list is ASCII: eight bytes at a time.
        if (const std::size_t run = std::min<std::size_t>(block.size() - i, 4096); allAscii(block.substr(i, run))) {
            i += run;
            continue;
        }
        const auto lead = static_cast<unsigned char>(block[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0) {
            m_invalidUtf8 = true;
            return;
        }
        if (length > 1)
            m_beyondAscii = true;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= block.size()) {
                m_continuationsDue = length - k;
                return;
            }
            if (!isContinuation(static_cast<unsigned char>(block[i + k]))) {
                m_invalidUtf8 = true;
                return;
            }
        }
        i += length;
    }
}

Encoding EncodingScan::result() const
{
    if (m_byteOrderMark)
        return Encoding::Utf8WithByteOrderMark;
    if (m_invalidUtf8 || m_continuationsDue > 0)
        return Encoding::Windows1252;
    if (m_beyondAscii)
        return Encoding::Utf8;
    const bool windowsLineEnds = m_firstLineEnd == LineEnd::CarriageReturnLineFeed;
    return windowsLineEnds ? Encoding::Windows1252 : Encoding::Utf8;
}

Encoding detectEncoding(std::string_view text)
{
    EncodingScan scan;
    scan.feed(text);
    return scan.result();
}

bool isUtf16(std::string_view start)
{
    const bool withoutMark = start.size() >= 2 && (start[0] == '\0') != (start[1] == '\0');
    return start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF") || withoutMark;
}

bool isWorkbook(std::string_view start)
{
    using namespace std::string_view_literals;
    return start.starts_with("PK\x03\x04"sv) || start.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv);
}

std::string encodeText(std::string_view utf8, Encoding encoding)
{
    if (encoding != Encoding::Windows1252 || allAscii(utf8))
        return std::string{utf8};
    return fromUtf8().convert(utf8, [](unsigned char lead) { return std::max<std::size_t>(1, sequenceLength(lead)); });
}

std::string decodeText(std::string_view text, Encoding encoding)
{
    if (encoding != Encoding::Windows1252 || allAscii(text))
        return std::string{text};
    return toUtf8().convert(text, [](unsigned char /*byte*/) { return std::size_t{1}; });
}

} // namespace salvenor::batch
