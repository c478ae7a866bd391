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
        std::size_t written = 0;
        iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            char *to = out.data() + written;
            std::size_t outLeft = out.size() - written;
            const std::size_t converted = iconv(m_descriptor, &in, &inLeft, &to, &outLeft);
            written = out.size() - outLeft;
            if (converted != static_cast<std::size_t>(-1))
                break;
            // A character written as several ("½" as " 1/2") may need more room than three bytes a byte.
            if (errno == E2BIG || written == out.size()) {
                out.resize(out.size() * 2);
                continue;
            }
            if (errno != EILSEQ && errno != EINVAL)
                break;
            const std::size_t length = std::min(inLeft, skip(static_cast<unsigned char>(*in)));
            in += length;
            inLeft -= length;
            out[written++] = '?';
        }
        out.resize(written);
        return out;
    }

private:
    iconv_t m_descriptor;
};

std::size_t singleByteIndex(Encoding encoding)
{
    const auto *const found = std::find(kSingleByteEncodings.begin(), kSingleByteEncodings.end(), encoding);
    return found == kSingleByteEncodings.end() ? 0 : static_cast<std::size_t>(found - kSingleByteEncodings.begin());
}

// The conversions of one single-byte encoding, opened once for the program's run.
struct SingleByteConverters
{
    Converter fromUtf8;
    Converter toUtf8;
};

const SingleByteConverters &convertersOf(Encoding encoding)
{
    static const std::array<SingleByteConverters, kSingleByteEncodings.size()> converters = [] {
        const auto make = [](Encoding code) {
            return SingleByteConverters{
                // A character the encoding lacks as its nearest ("„" as '"' in CP850), by glibc's tables.
                .fromUtf8 = Converter{(std::string{factsOf(code).iconvName} + "//TRANSLIT").c_str(), "UTF-8"},
                .toUtf8 = Converter{"UTF-8", factsOf(code).iconvName}};
        };
        return std::array<SingleByteConverters, kSingleByteEncodings.size()>{make(kSingleByteEncodings[0]),
            make(kSingleByteEncodings[1]), make(kSingleByteEncodings[2]), make(kSingleByteEncodings[3])};
    }();
    return converters.at(singleByteIndex(encoding));
}

// What a byte beyond ASCII is in a single-byte encoding, as the system's converter reads it.
enum class ByteKind : std::uint8_t {
    Undefined, // no character, or a control character: no text holds it
    Telling, // a German letter or the euro sign
    Other,
};

ByteKind kindOf(Encoding encoding, unsigned char byte)
{
    constexpr std::array<std::string_view, 8> kTelling{"ä", "ö", "ü", "Ä", "Ö", "Ü", "ß", "€"};
    const char text[] = {static_cast<char>(byte)};
    const std::string utf8
        = convertersOf(encoding).toUtf8.convert({text, 1}, [](unsigned char) { return std::size_t{1}; });
    const bool control = utf8.size() == 2 && utf8[0] == '\xC2' && static_cast<unsigned char>(utf8[1]) < 0xA0;
    if (utf8 == "?" || control)
        return ByteKind::Undefined;
    if (std::find(kTelling.begin(), kTelling.end(), utf8) != kTelling.end())
        return ByteKind::Telling;
    return ByteKind::Other;
}

const std::array<std::array<ByteKind, 128>, kSingleByteEncodings.size()> &byteKinds()
{
    static const auto kinds = [] {
        std::array<std::array<ByteKind, 128>, kSingleByteEncodings.size()> table{};
        for (std::size_t code = 0; code < kSingleByteEncodings.size(); ++code) {
            for (std::size_t byte = 0x80; byte <= 0xFF; ++byte)
                table.at(code).at(byte - 0x80)
                    = kindOf(kSingleByteEncodings.at(code), static_cast<unsigned char>(byte));
        }
        return table;
    }();
    return kinds;
}

// Where the first byte beyond ASCII stands, eight bytes at a time; the text's size where there is none.
std::size_t firstBeyondAscii(std::string_view text)
{
    std::size_t i = 0;
    constexpr std::uint64_t kHighBits = 0x8080808080808080U;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & kHighBits) != 0)
            break;
    }
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0x80U) != 0)
            return i;
    }
    return text.size();
}

bool allAscii(std::string_view text)
{
    return firstBeyondAscii(text) == text.size();
}

bool isAsciiLetterOrDigit(int byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
}

} // namespace

EncodingScan::EncodingScan()
{
    m_utf8At.reserve(kOffsetsKept);
    m_nonUtf8At.reserve(kOffsetsKept);
}

// A byte that is no part of a UTF-8 character: what it says of the single-byte encodings. `after`
// is the byte after it, -1 where that is not known yet.
void EncodingScan::nonUtf8Byte(unsigned char byte, std::uint64_t offset, unsigned char before, int after)
{
    ++m_nonUtf8Bytes;
    if (m_nonUtf8At.size() < kOffsetsKept)
        m_nonUtf8At.push_back(offset);
    // Beside a letter, or a digit as a euro sign stands ("5€").
    const bool inAWord = isAsciiLetterOrDigit(before) || isAsciiLetterOrDigit(after);
    for (std::size_t code = 0; code < kSingleByteEncodings.size(); ++code) {
        const ByteKind kind = byteKinds().at(code).at(byte - 0x80U);
        if (kind == ByteKind::Undefined)
            m_ruledOut.at(code) = true;
        else if (kind == ByteKind::Telling && inAWord)
            ++m_score.at(code);
    }
}

// The sequence begun is cut off by `after` (or by the end of the list, -1): its bytes are single bytes.
void EncodingScan::endSequence(int after)
{
    for (std::size_t k = 0; k < m_sequence.size(); ++k) {
        const unsigned char before = k == 0 ? m_before : static_cast<unsigned char>(m_sequence[k - 1]);
        const int next = k + 1 < m_sequence.size() ? static_cast<unsigned char>(m_sequence[k + 1]) : after;
        nonUtf8Byte(static_cast<unsigned char>(m_sequence[k]), m_sequenceAt + k, before, next);
    }
    m_before = static_cast<unsigned char>(m_sequence.back());
    m_sequence.clear();
    m_continuationsDue = 0;
}

// The next byte of a UTF-8 sequence begun: true where it is one; else the sequence's bytes are
// single bytes, and the byte is read afresh.
bool EncodingScan::continueSequence(unsigned char byte)
{
    if (!isContinuation(byte)) {
        endSequence(byte);
        return false;
    }
    m_sequence += static_cast<char>(byte);
    if (--m_continuationsDue == 0) {
        ++m_utf8Characters;
        if (m_utf8At.size() < kOffsetsKept)
            m_utf8At.push_back(m_sequenceAt);
        m_before = byte;
        m_sequence.clear();
    }
    return true;
}

void EncodingScan::feed(std::string_view block)
{
    if (m_offset == 0 && !block.empty())
        m_byteOrderMark = block.starts_with(kByteOrderMark);
    if (m_firstLineEnd == LineEnd::NotYetSeen) {
        // The header's line end: a line break inside a quoted name (Alt+Enter in Excel) is none.
        for (std::size_t k = 0; k < block.size() && m_firstLineEnd == LineEnd::NotYetSeen; ++k) {
            const char c = block[k];
            if (m_carriageReturnLast)
                m_firstLineEnd = c == '\n' ? LineEnd::CarriageReturnLineFeed : LineEnd::CarriageReturnAlone;
            else if (c == '"')
                m_inQuotes = !m_inQuotes;
            else if (c == '\n' && !m_inQuotes)
                m_firstLineEnd = LineEnd::Other;
            m_carriageReturnLast = c == '\r' && !m_inQuotes;
        }
    }
    std::size_t i = 0;
    while (i < block.size()) {
        if (m_continuationsDue == 0) {
            // Most of a list is ASCII: eight bytes at a time.
            const std::size_t ascii = firstBeyondAscii(block.substr(i));
            if (ascii > 0) {
                i += ascii;
                m_before = static_cast<unsigned char>(block[i - 1]);
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(block[i]);
        const std::uint64_t offset = m_offset + i;
        if (m_continuationsDue > 0 && continueSequence(byte)) {
            ++i;
            continue;
        }
        if (byte < 0x80U) {
            m_before = byte;
        } else if (const std::size_t length = sequenceLength(byte); length > 1) {
            m_sequence.assign(1, static_cast<char>(byte));
            m_sequenceAt = offset;
            m_continuationsDue = length - 1;
        } else {
            const int after = i + 1 < block.size() ? static_cast<unsigned char>(block[i + 1]) : -1;
            nonUtf8Byte(byte, offset, m_before, after);
            m_before = byte;
        }
        ++i;
    }
    m_offset += block.size();
}

Encoding EncodingScan::bestSingleByte() const
{
    // Lines that end in CR alone come from a Mac (Excel's "CSV (Macintosh)"): Mac Roman first in a tie.
    std::array<std::size_t, kSingleByteEncodings.size()> order{0, 1, 2, 3};
    if (m_firstLineEnd == LineEnd::CarriageReturnAlone)
        std::rotate(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(singleByteIndex(Encoding::MacRoman)),
            order.begin() + static_cast<std::ptrdiff_t>(singleByteIndex(Encoding::MacRoman)) + 1);
    std::optional<std::size_t> best;
    for (const std::size_t code : order) {
        if (!m_ruledOut.at(code) && (!best || m_score.at(code) > m_score.at(*best)))
            best = code;
    }
    return kSingleByteEncodings.at(best.value_or(0));
}

ListEncoding EncodingScan::result() const
{
    // A sequence the list ends in the middle of: single bytes.
    EncodingScan ended = *this;
    if (!ended.m_sequence.empty())
        ended.endSequence(-1);
    if (ended.m_firstLineEnd == LineEnd::NotYetSeen && m_carriageReturnLast)
        ended.m_firstLineEnd = LineEnd::CarriageReturnAlone; // the list's one line
    ListEncoding list;
    list.singleByte = ended.bestSingleByte();
    const bool utf8 = ended.m_utf8Characters >= ended.m_nonUtf8Bytes
        && (ended.m_utf8Characters > 0 || m_firstLineEnd != LineEnd::CarriageReturnLineFeed);
    if (m_byteOrderMark || utf8) {
        list.encoding = m_byteOrderMark ? Encoding::Utf8WithByteOrderMark : Encoding::Utf8;
        list.otherKindAt = ended.m_nonUtf8At;
        list.moreOfTheOtherKind = ended.m_nonUtf8Bytes > static_cast<long>(kOffsetsKept);
    } else {
        list.encoding = list.singleByte;
        list.utf8Fields = ended.m_utf8Characters > 0;
        list.otherKindAt = ended.m_utf8At;
        list.moreOfTheOtherKind = ended.m_utf8Characters > static_cast<long>(kOffsetsKept);
    }
    return list;
}

ListEncoding EncodingScan::result(Encoding forced) const
{
    ListEncoding list = result();
    if (isUtf8(forced) != isUtf8(list.encoding)) {
        list.otherKindAt.clear();
        list.moreOfTheOtherKind = false;
    }
    if (isUtf8(forced)) {
        list.utf8Fields = true;
    } else {
        list.singleByte = forced;
        list.utf8Fields = false;
        list.otherKindAt.clear();
        list.moreOfTheOtherKind = false;
    }
    list.encoding = forced;
    return list;
}

std::string ListEncoding::decode(std::string_view text) const
{
    if (allAscii(text) || (utf8Fields && isValidUtf8(text)))
        return std::string{text};
    return decodeText(text, singleByte);
}

Encoding detectEncoding(std::string_view text)
{
    EncodingScan scan;
    scan.feed(text);
    return scan.result().encoding;
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

bool isValidUtf8(std::string_view text)
{
    std::size_t i = firstBeyondAscii(text);
    while (i < text.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (!isContinuation(static_cast<unsigned char>(text[i + k])))
                return false;
        }
        i += length;
        i += firstBeyondAscii(text.substr(i));
    }
    return true;
}

bool isTextOf(std::string_view text, Encoding encoding)
{
    if (isUtf8(encoding))
        return isValidUtf8(text);
    const auto &kinds = byteKinds().at(singleByteIndex(encoding));
    return std::none_of(text.begin(), text.end(), [&kinds](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80U && kinds.at(byte - 0x80U) == ByteKind::Undefined;
    });
}

std::string encodeText(std::string_view utf8, Encoding encoding)
{
    if (isUtf8(encoding) || allAscii(utf8))
        return std::string{utf8};
    return convertersOf(encoding).fromUtf8.convert(
        utf8, [](unsigned char lead) { return std::max<std::size_t>(1, sequenceLength(lead)); });
}

std::string decodeText(std::string_view text, Encoding encoding)
{
    if (allAscii(text))
        return std::string{text};
    if (isUtf8(encoding)) {
        if (isValidUtf8(text))
            return std::string{text};
        encoding = Encoding::Windows1252;
    }
    return convertersOf(encoding).toUtf8.convert(text, [](unsigned char /*byte*/) { return std::size_t{1}; });
}

std::optional<Encoding> encodingNamed(std::string_view name)
{
    std::string plain;
    for (const char c : name) {
        if (c != ' ' && c != '-' && c != '_')
            plain += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    struct Alias
    {
        std::string_view name;
        Encoding encoding;
    };
    constexpr std::array kAliases{Alias{"utf8", Encoding::Utf8}, Alias{"windows1252", Encoding::Windows1252},
        Alias{"cp1252", Encoding::Windows1252}, Alias{"iso885915", Encoding::Iso8859_15},
        Alias{"latin9", Encoding::Iso8859_15}, Alias{"cp850", Encoding::Cp850}, Alias{"ibm850", Encoding::Cp850},
        Alias{"macroman", Encoding::MacRoman}, Alias{"macintosh", Encoding::MacRoman}};
    const auto *const alias
        = std::find_if(kAliases.begin(), kAliases.end(), [&plain](const Alias &known) { return known.name == plain; });
    return alias == kAliases.end() ? std::nullopt : std::optional{alias->encoding};
}

std::string encodingNames()
{
    std::string names{encodingName(Encoding::Utf8)};
    for (const Encoding encoding : kSingleByteEncodings)
        names.append(", ").append(encodingName(encoding));
    return names;
}

} // namespace salvenor::batch
