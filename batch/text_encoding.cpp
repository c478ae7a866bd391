#include "text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

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

// Windows-1252's characters above Latin-1's C1 range that differ from Unicode's code points.
constexpr std::array<std::pair<char32_t, unsigned char>, 7> kWindows1252Extras{{
    {U'€', 0x80},
    {U'‚', 0x82},
    {U'„', 0x84},
    {U'…', 0x85},
    {U'‘', 0x91},
    {U'“', 0x93},
    {U'”', 0x94},
}};

} // namespace

Encoding detectEncoding(std::string_view start)
{
    if (start.starts_with(kByteOrderMark))
        return Encoding::Utf8WithByteOrderMark;
    std::size_t i = 0;
    while (i < start.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(start[i]));
        if (length == 0)
            return Encoding::Windows1252;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= start.size())
                return Encoding::Utf8; // cut off by the end of the sample
            if (!isContinuation(static_cast<unsigned char>(start[i + k])))
                return Encoding::Windows1252;
        }
        i += length;
    }
    return Encoding::Utf8;
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
    if (encoding != Encoding::Windows1252)
        return std::string{utf8};
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = std::max<std::size_t>(1, sequenceLength(lead));
        char32_t code = length == 1 ? lead : lead & (0xFFU >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = (code << 6U) | (static_cast<unsigned char>(utf8[i + k]) & 0x3FU);
        i += length;
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            out.push_back(static_cast<char>(code));
            continue;
        }
        char replacement = '?';
        for (const auto &[unicode, byte] : kWindows1252Extras) {
            if (unicode == code)
                replacement = static_cast<char>(byte);
        }
        out.push_back(replacement);
    }
    return out;
}

std::string decodeText(std::string_view text, Encoding encoding)
{
    if (encoding != Encoding::Windows1252)
        return std::string{text};
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t code = byte;
        if (byte >= 0x80 && byte < 0xA0) {
            code = U'?';
            for (const auto &[unicode, extra] : kWindows1252Extras) {
                if (extra == byte)
                    code = unicode;
            }
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0U | (code >> 6U)));
            out.push_back(static_cast<char>(0x80U | (code & 0x3FU)));
        } else {
            out.push_back(static_cast<char>(0xE0U | (code >> 12U)));
            out.push_back(static_cast<char>(0x80U | ((code >> 6U) & 0x3FU)));
            out.push_back(static_cast<char>(0x80U | (code & 0x3FU)));
        }
    }
    return out;
}

} // namespace salvenor::batch
