#include "text/AnsiText.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace varnix::text {

char ToUpperAnsi(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') {
        return static_cast<char>(u - 0x20);
    }
    // Latin-1 block of Windows-1252: à..þ map to À..Þ, except ÷ which has no case.
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) {
        return static_cast<char>(u - 0x20);
    }
    switch (u) {
        case 0x9A:  // š
            return static_cast<char>(0x8A);
        case 0x9C:  // œ
            return static_cast<char>(0x8C);
        case 0x9E:  // ž
            return static_cast<char>(0x8E);
        case 0xFF:  // ÿ
            return static_cast<char>(0x9F);
        default:
            return c;
    }
}

std::string ToUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = ToUpperAnsi(c);
    }
    return out;
}

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
}

}  // namespace

std::size_t FindNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    return FindNoCase(haystack, needle) != std::string_view::npos;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::vector<std::string> Split(std::string_view s, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto pos = s.find(separator, start);
        if (pos == std::string_view::npos) {
            fields.emplace_back(s.substr(start));
            return fields;
        }
        fields.emplace_back(s.substr(start, pos - start));
        start = pos + 1;
    }
}

std::string RemoveAll(std::string_view s, char c) {
    std::string out;
    AppendWithout(s, c, out);
    return out;
}

void AppendWithout(std::string_view s, char c, std::string& out) {
    // The record writer runs this over every 4 KB ticket it writes, most often a text followed
    // by nothing but NULs (or by the blanks a previous write left): those skip the copy loop.
    const auto first = s.find(c);
    if (first == std::string_view::npos) {
        out.append(s);
        return;
    }
    if (s.find_first_not_of(c, first) == std::string_view::npos) {
        out.append(s.substr(0, first));
        return;
    }
    std::remove_copy(s.begin(), s.end(), std::back_inserter(out), c);
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<double> ParseRadix(std::string_view digits, int radix) {
    if (digits.empty() || digits.size() > 16) {
        return std::nullopt;
    }
    double value = 0;
    for (char c : digits) {
        int d = -1;
        if (IsDigit(c)) {
            d = c - '0';
        } else if (radix == 16 && AsciiUpper(c) >= 'A' && AsciiUpper(c) <= 'F') {
            d = AsciiUpper(c) - 'A' + 10;
        }
        if (d < 0 || d >= radix) {
            return std::nullopt;
        }
        value = value * radix + d;
    }
    return value;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view s) {
    s = TrimBlanks(s);
    if (s.empty()) {
        return std::nullopt;
    }
    if (s.size() > 2 && s[0] == '&') {
        const char kind = AsciiUpper(s[1]);
        if (kind == 'H') {
            return ParseRadix(s.substr(2), 16);
        }
        if (kind == 'O') {
            return ParseRadix(s.substr(2), 8);
        }
        return std::nullopt;
    }
    std::size_t i = 0;
    double sign = 1;
    if (s[i] == '+' || s[i] == '-') {
        sign = s[i] == '-' ? -1 : 1;
        ++i;
    }
    double mantissa = 0;
    int fractionDigits = 0;
    bool anyDigit = false;
    bool inFraction = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (IsDigit(c)) {
            anyDigit = true;
            mantissa = mantissa * 10 + (c - '0');
            if (inFraction) {
                ++fractionDigits;
            }
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    int exponent = 0;
    if (i < s.size()) {
        const char e = AsciiUpper(s[i]);
        if (e != 'E' && e != 'D') {
            return std::nullopt;
        }
        ++i;
        int expSign = 1;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            expSign = s[i] == '-' ? -1 : 1;
            ++i;
        }
        if (i == s.size()) {
            return std::nullopt;
        }
        for (; i < s.size(); ++i) {
            if (!IsDigit(s[i])) {
                return std::nullopt;
            }
            if (exponent < 10000) {
                exponent = exponent * 10 + (s[i] - '0');
            }
        }
        exponent *= expSign;
    }
    const double value = sign * mantissa * std::pow(10.0, exponent - fractionDigits);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double LeadingNumber(std::string_view s) {
    std::string compact;
    for (char c : s) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            compact.push_back(c);
        }
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) {
        negative = compact[i] == '-';
        ++i;
    }
    double value = 0;
    double scale = 1;
    bool inFraction = false;
    for (; i < compact.size(); ++i) {
        const char c = compact[i];
        if (IsDigit(c)) {
            if (inFraction) {
                scale /= 10;
                value += (c - '0') * scale;
            } else {
                value = value * 10 + (c - '0');
            }
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (!std::isfinite(value)) {
        return 0;
    }
    return negative ? -value : value;
}

int RoundHalfEven(double value) {
    if (!(value > static_cast<double>(std::numeric_limits<int>::min()))) {
        return std::numeric_limits<int>::min();
    }
    if (!(value < static_cast<double>(std::numeric_limits<int>::max()))) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(std::nearbyint(value));  // default rounding mode: halves to even
}

std::vector<std::string> SplitLines(std::string_view contents) {
    std::vector<std::string> lines;
    ForEachLine(contents, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

}  // namespace varnix::text

namespace varnix::text {

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F; 0 where the code page has no character.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        const auto u = static_cast<unsigned char>(c);
        char32_t cp = u;
        if (u >= 0x80 && u < 0xA0) {
            cp = kHighControls[u - 0x80] != 0 ? kHighControls[u - 0x80] : u;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto u = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        std::size_t length = 1;
        if (u < 0x80) {
            cp = u;
        } else if ((u >> 5) == 0x6 && i + 1 < utf8.size()) {
            cp = ((u & 0x1FU) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3FU);
            length = 2;
        } else if ((u >> 4) == 0xE && i + 2 < utf8.size()) {
            cp = ((u & 0x0FU) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3FU) << 6) |
                 (static_cast<unsigned char>(utf8[i + 2]) & 0x3FU);
            length = 3;
        } else {
            cp = '?';
            length = (u >> 3) == 0x1E ? 4 : 1;
        }
        i += length;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHighControls[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
            }
        }
        out.push_back(mapped);
    }
    return out;
}

}  // namespace varnix::text
