#pragma once

#include <string>
#include <string_view>

namespace salvenor::batch {

// How a booking list is written. Its bytes pass through unchanged; the program's own texts (the
// new column names, the error messages) are written in the same encoding.
enum class Encoding { Utf8, Utf8WithByteOrderMark, Windows1252 };

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// From the start of the list: a byte-order mark means UTF-8; so does text that is valid UTF-8
// throughout (plain ASCII included); anything else is taken as Windows-1252, what older
// spreadsheet programs write. A UTF-8 sequence cut off at the end of `start` counts as valid.
Encoding detectEncoding(std::string_view start);

// A UTF-16 (or UTF-32) text by its byte-order mark: Excel's "Unicode-Text"; without one, by a
// zero byte beside a character in its first two bytes, which no CSV text has.
bool isUtf16(std::string_view start);

// A spreadsheet program's own file instead of a CSV list: xlsx and ods (ZIP archives) or xls.
bool isWorkbook(std::string_view start);

// The program's own UTF-8 text in the list's encoding. Characters Windows-1252 lacks become "?".
std::string encodeText(std::string_view utf8, Encoding encoding);

// Text of the list in UTF-8, for standard error.
std::string decodeText(std::string_view text, Encoding encoding);

} // namespace salvenor::batch
