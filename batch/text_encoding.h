#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace salvenor::batch {

// How a booking list is written. Its bytes pass through unchanged; the program's own texts (the
// new column names, the error messages) are written in the same encoding.
enum class Encoding { Utf8, Utf8WithByteOrderMark, Windows1252 };

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The encoding of a whole list, decided before anything of it is written: a byte-order mark means
// UTF-8; text that is valid UTF-8 throughout, with a character beyond ASCII, is UTF-8; anything
// else that is not ASCII is Windows-1252, what older spreadsheet programs write. A list of ASCII
// alone gets Windows-1252 where its first line ends in CR LF (a Windows export, which Excel reads
// in Windows-1252 again) and UTF-8 otherwise. Fed in blocks of any size.
class EncodingScan final
{
public:
    void feed(std::string_view block);
    Encoding result() const;

private:
    enum class LineEnd { NotYetSeen, CarriageReturnLineFeed, Other };
    bool m_started = false;
    bool m_byteOrderMark = false;
    bool m_beyondAscii = false;
    bool m_invalidUtf8 = false;
    std::size_t m_continuationsDue = 0; // of a sequence cut by the end of a block
    bool m_carriageReturnLast = false;
    LineEnd m_firstLineEnd = LineEnd::NotYetSeen;
};

// The no-break space that spreadsheets and web pages put round a cell, in the list's encoding.
constexpr std::string_view noBreakSpaceIn(Encoding encoding)
{
    return encoding == Encoding::Windows1252 ? "\xA0" : "\xC2\xA0";
}

// From one sample alone (the whole list where it is short).
Encoding detectEncoding(std::string_view text);

// A UTF-16 (or UTF-32) text by its byte-order mark: Excel's "Unicode-Text"; without one, by a
// zero byte beside a character in its first two bytes, which no CSV text has.
bool isUtf16(std::string_view start);

// A spreadsheet program's own file instead of a CSV list: xlsx and ods (ZIP archives) or xls.
bool isWorkbook(std::string_view start);

// The program's own UTF-8 text in the list's encoding. Characters Windows-1252 lacks become "?".
std::string encodeText(std::string_view utf8, Encoding encoding);

// Text of the list in UTF-8, for standard error and for comparing names. The five bytes that
// Windows-1252 leaves undefined become "?".
std::string decodeText(std::string_view text, Encoding encoding);

} // namespace salvenor::batch
