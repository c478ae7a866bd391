#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace salvenor::batch {

// How a booking list is written. Its bytes pass through unchanged; the program's own texts (the
// new column names, the error messages) are written in the same encoding. After UTF-8, the
// single-byte encodings that German office programs write: Windows-1252 (Excel's "CSV"),
// ISO 8859-15, code page 850 (Excel's "CSV (MS-DOS)") and Mac Roman (Excel's "CSV (Macintosh)").
enum class Encoding { Utf8, Utf8WithByteOrderMark, Windows1252, Iso8859_15, Cp850, MacRoman };

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The single-byte encodings in the order a tie between them is decided in.
inline constexpr std::array kSingleByteEncodings{
    Encoding::Windows1252, Encoding::Iso8859_15, Encoding::Cp850, Encoding::MacRoman};

constexpr bool isUtf8(Encoding encoding)
{
    return encoding == Encoding::Utf8 || encoding == Encoding::Utf8WithByteOrderMark;
}

// What the program knows of each encoding.
struct EncodingFacts
{
    Encoding encoding;
    std::string_view name; // as --encoding takes it and messages show it
    const char *iconvName; // glibc's
    std::string_view noBreakSpace; // as spreadsheets and web pages put it round a cell
};
inline constexpr std::array kEncodings{
    EncodingFacts{.encoding = Encoding::Utf8, .name = "UTF-8", .iconvName = "UTF-8", .noBreakSpace = "\xC2\xA0"},
    EncodingFacts{
        .encoding = Encoding::Utf8WithByteOrderMark, .name = "UTF-8", .iconvName = "UTF-8", .noBreakSpace = "\xC2\xA0"},
    EncodingFacts{
        .encoding = Encoding::Windows1252, .name = "Windows-1252", .iconvName = "WINDOWS-1252", .noBreakSpace = "\xA0"},
    EncodingFacts{
        .encoding = Encoding::Iso8859_15, .name = "ISO-8859-15", .iconvName = "ISO-8859-15", .noBreakSpace = "\xA0"},
    EncodingFacts{.encoding = Encoding::Cp850, .name = "CP850", .iconvName = "CP850", .noBreakSpace = "\xFF"},
    EncodingFacts{.encoding = Encoding::MacRoman, .name = "MacRoman", .iconvName = "MACINTOSH", .noBreakSpace = "\xCA"},
};

constexpr const EncodingFacts &factsOf(Encoding encoding)
{
    for (const EncodingFacts &facts : kEncodings) {
        if (facts.encoding == encoding)
            return facts;
    }
    return kEncodings.front();
}

constexpr std::string_view encodingName(Encoding encoding)
{
    return factsOf(encoding).name;
}
// A name of --encoding, without case, blanks, hyphens and underscores ("utf8", "cp1252", "latin9",
// "ibm850", "macintosh" too); nothing for a name it does not know.
std::optional<Encoding> encodingNamed(std::string_view name);
// The names --encoding takes, for its help and its refusal.
std::string encodingNames();

// How the text of a list is read: the encoding of the whole list, and field by field where its
// fields differ. A field that is valid UTF-8 beyond ASCII is read as UTF-8 in a list where such
// fields occur; every other field in the list's single-byte encoding. So a UTF-8 list with a
// stray byte of another program, or lists of two programs joined, lose no name.
struct ListEncoding
{
    Encoding encoding = Encoding::Utf8; // of the whole list: its new texts are written in it
    Encoding singleByte = Encoding::Windows1252; // for the fields that are not UTF-8
    bool utf8Fields = true; // fields of valid UTF-8 are read as UTF-8
    // Where the list's fields of the other kind begin (input offsets, the first few): bytes that are
    // not UTF-8 in a UTF-8 list, UTF-8 characters in a single-byte one. Empty where there are none.
    std::vector<std::uint64_t> otherKindAt;
    bool moreOfTheOtherKind = false; // beyond those

    // A field (or any text of the list) in UTF-8, for standard error and for comparing names.
    std::string decode(std::string_view text) const;
};

// The encoding of a whole list, decided before anything of it is written, by these rules:
// 1. A byte-order mark means UTF-8.
// 2. Text that is valid UTF-8 throughout, with a character beyond ASCII, is UTF-8.
// 3. A list of ASCII alone gets Windows-1252 where its header ends in CR LF (a Windows export,
//    which Excel reads in Windows-1252 again) and UTF-8 otherwise.
// 4. Otherwise its bytes that are not UTF-8 decide a single-byte encoding: a byte an encoding
//    leaves undefined (or makes a control character) rules it out; among the others, the one whose
//    German letters (ä ö ü Ä Ö Ü ß) and euro signs stand most often beside an ASCII letter or digit wins;
//    a tie goes to Mac Roman where the first line ends in CR alone (a Mac's), else to the first of
//    kSingleByteEncodings.
// 5. The list is UTF-8 where its UTF-8 characters are at least as many as its bytes that are not
//    UTF-8 (a UTF-8 list with a stray byte), else of the single-byte encoding; either way its fields
//    are read field by field as ListEncoding says.
// Fed in blocks of any size.
class EncodingScan final
{
public:
    EncodingScan();
    void feed(std::string_view block);
    ListEncoding result() const;
    // As `forced` says, whatever the text: with UTF-8, fields that are not UTF-8 are still read in
    // the single-byte encoding the rules find.
    ListEncoding result(Encoding forced) const;

private:
    static constexpr std::size_t kOffsetsKept = 16;
    void nonUtf8Byte(unsigned char byte, std::uint64_t offset, unsigned char before, int after);
    void endSequence(int after);
    bool continueSequence(unsigned char byte);
    Encoding bestSingleByte() const;

    std::uint64_t m_offset = 0; // of the block being read
    bool m_byteOrderMark = false;
    unsigned char m_before = '\n'; // the byte before the one being read
    std::string m_sequence; // a UTF-8 sequence begun, perhaps in an earlier block
    std::uint64_t m_sequenceAt = 0;
    std::size_t m_continuationsDue = 0;
    long m_utf8Characters = 0; // beyond ASCII
    long m_nonUtf8Bytes = 0;
    std::vector<std::uint64_t> m_utf8At;
    std::vector<std::uint64_t> m_nonUtf8At;
    std::array<bool, kSingleByteEncodings.size()> m_ruledOut{};
    std::array<long, kSingleByteEncodings.size()> m_score{};
    bool m_carriageReturnLast = false;
    bool m_inQuotes = false; // within a quoted field of the first record
    enum class LineEnd { NotYetSeen, CarriageReturnLineFeed, CarriageReturnAlone, Other };
    LineEnd m_firstLineEnd = LineEnd::NotYetSeen;
};

// The no-break space that spreadsheets and web pages put round a cell, in the list's encoding.
constexpr std::string_view noBreakSpaceIn(Encoding encoding)
{
    return factsOf(encoding).noBreakSpace;
}

// From one sample alone (the whole list where it is short): the list's encoding.
Encoding detectEncoding(std::string_view text);

// A UTF-16 (or UTF-32) text by its byte-order mark: Excel's "Unicode-Text"; without one, by a
// zero byte beside a character in its first two bytes, which no CSV text has.
bool isUtf16(std::string_view start);

// A spreadsheet program's own file instead of a CSV list: xlsx and ods (ZIP archives) or xls.
bool isWorkbook(std::string_view start);

// Valid UTF-8 throughout.
bool isValidUtf8(std::string_view text);

// Text of that encoding: valid UTF-8, or no byte the single-byte encoding leaves undefined or makes
// a control character.
bool isTextOf(std::string_view text, Encoding encoding);

// The program's own UTF-8 text in the list's encoding. A character the encoding lacks becomes its
// nearest there ("„" a '"' in CP850), else "?".
std::string encodeText(std::string_view utf8, Encoding encoding);

// Text in one encoding as UTF-8. A byte the encoding leaves undefined becomes "?"; in UTF-8, a
// text that is not valid UTF-8 is read as Windows-1252.
std::string decodeText(std::string_view text, Encoding encoding);

} // namespace salvenor::batch
