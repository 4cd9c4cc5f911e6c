// Byte-string helpers with the semantics the file formats rely on: text is Windows-1252 bytes,
// "blank" means the space character only, and case folding follows the ANSI code page.
// Nothing here throws on any input: the readers hand them whatever bytes a file holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix::text {

// Upper-cases ASCII and the accented letters of Windows-1252 (à -> À, œ -> Œ, ÿ -> Ÿ).
char ToUpperAnsi(char c);
std::string ToUpper(std::string_view s);

// Removes leading and trailing space characters (not tabs): how the file readers trim.
std::string_view TrimBlanks(std::string_view s);

// Case-insensitive (ASCII) search and comparison.
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
std::size_t FindNoCase(std::string_view haystack, std::string_view needle);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);

// Splits at every occurrence of the separator; an empty input gives one empty field.
std::vector<std::string> Split(std::string_view s, char separator);

std::string RemoveAll(std::string_view s, char c);
// The same appended to `out`, so a writer of many fields fills one buffer.
void AppendWithout(std::string_view s, char c, std::string& out);

// A number as the user may write it: blanks around it, a sign, digits with at most one
// decimal point, an optional exponent, or &H/&O notation. Returns its value, or nothing when
// the text is not such a number (empty text included).
std::optional<double> ParseNumber(std::string_view s);
inline bool IsNumeric(std::string_view s) {
    return ParseNumber(s).has_value();
}

// The number formed by the text's leading numeric characters, blanks skipped; 0 when there
// are none ("12ab" -> 12, "  7 5" -> 75, "abc" -> 0).
double LeadingNumber(std::string_view s);

// Rounds to the nearest whole number, halves to even, saturating at the int range.
int RoundHalfEven(double value);

// Splits a file's contents into lines. CR LF, a lone CR and a lone LF all end a line; a last
// line without an end is still a line; no empty line is invented after a final line end.
std::vector<std::string> SplitLines(std::string_view contents);

// The same lines, handed one at a time without building the whole list: a 50 MB command file
// costs one line of memory.
template <typename F>
void ForEachLine(std::string_view contents, F&& onLine) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const char c = contents[i];
        if (c == '\r' || c == '\n') {
            onLine(contents.substr(start, i - start));
            if (c == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < contents.size()) {
        onLine(contents.substr(start));
    }
}

constexpr std::string_view kCrLf = "\r\n";

}  // namespace varnix::text

namespace varnix::text {

// Windows-1252 bytes to UTF-8, for showing system text on a UTF-8 terminal or toolkit.
std::string Cp1252ToUtf8(std::string_view ansi);
// UTF-8 back to Windows-1252; characters the code page lacks become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace varnix::text
