#include "platform/RegFile.h"

#include <vector>

#include "platform/Platform.h"
#include "text/AnsiText.h"

namespace varnix::platform {

namespace {

constexpr std::uint32_t kRegBinary = 3;

// Exported .reg files are UTF-16LE with a byte-order mark; hand-written ones are ANSI or UTF-8.
// Everything becomes single-byte text; characters outside the first 256 become '?'.
std::string DecodeFile(std::string_view raw) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::string out;
        out.reserve(raw.size() / 2);
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
            const unsigned unit =
                static_cast<unsigned char>(raw[i]) |
                (static_cast<unsigned>(static_cast<unsigned char>(raw[i + 1])) << 8);
            out.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
        }
        return out;
    }
    if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF") {
        return std::string(raw.substr(3));
    }
    return std::string(raw);
}

std::string_view TrimWhite(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Joins value lines continued with a trailing backslash (long hex values are wrapped that way).
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> out;
    bool continuing = false;
    for (const auto& line : text::SplitLines(text)) {
        std::string_view piece = TrimWhite(line);
        const bool continues =
            !piece.empty() && piece.back() == '\\' && piece[0] != '[' && piece[0] != ';';
        if (continues) {
            piece.remove_suffix(1);
        }
        if (continuing) {
            out.back().append(piece);
        } else {
            out.emplace_back(piece);
        }
        continuing = continues;
    }
    return out;
}

// Reads a quoted string starting at s[pos] == '"', with \\ and \" escapes. Advances pos past
// the closing quote.
std::optional<std::string> ReadQuoted(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            out.push_back(s[++i]);
        } else if (c == '"') {
            pos = i + 1;
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

std::optional<std::string> ParseHexBytes(std::string_view list) {
    std::string bytes;
    for (const auto& item : text::Split(list, ',')) {
        const auto t = TrimWhite(item);
        if (t.empty()) {
            continue;
        }
        if (t.size() > 2) {
            return std::nullopt;
        }
        unsigned v = 0;
        for (char c : t) {
            v <<= 4;
            if (c >= '0' && c <= '9') {
                v |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                v |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                v |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
        }
        bytes.push_back(static_cast<char>(v));
    }
    return bytes;
}

// Parses the part after '=': "text", dword:hhhhhhhh, hex:.., hex(n):... Nothing on a bad value.
std::optional<RegValue> ParseData(std::string_view s) {
    s = TrimWhite(s);
    if (!s.empty() && s[0] == '"') {
        std::size_t pos = 0;
        auto str = ReadQuoted(s, pos);
        if (!str || !TrimWhite(s.substr(pos)).empty()) {
            return std::nullopt;
        }
        str->push_back('\0');
        return RegValue{kRegSz, std::move(*str)};
    }
    if (text::FindNoCase(s, "dword:") == 0) {
        const auto hex = s.substr(6);
        if (hex.empty() || hex.size() > 8) {
            return std::nullopt;
        }
        const auto value = text::ParseNumber(std::string("&H") + std::string(hex));
        if (!value) {
            return std::nullopt;
        }
        const auto v = static_cast<std::uint32_t>(*value);
        std::string data(4, '\0');
        for (int i = 0; i < 4; ++i) {
            data[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFFU);
        }
        return RegValue{kRegDword, std::move(data)};
    }
    if (text::FindNoCase(s, "hex") == 0) {
        std::uint32_t type = kRegBinary;
        std::size_t colon = 3;
        if (s.size() > 3 && s[3] == '(') {
            const auto close = s.find(')');
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            const auto n =
                text::ParseNumber(std::string("&H") + std::string(s.substr(4, close - 4)));
            if (!n) {
                return std::nullopt;
            }
            type = static_cast<std::uint32_t>(*n);
            colon = close + 1;
        }
        if (colon >= s.size() || s[colon] != ':') {
            return std::nullopt;
        }
        auto bytes = ParseHexBytes(s.substr(colon + 1));
        if (!bytes) {
            return std::nullopt;
        }
        return RegValue{type, std::move(*bytes)};
    }
    return std::nullopt;
}

}  // namespace

std::string RegFile::NormalizeKey(std::string_view keyPath) {
    std::string key = text::ToUpper(TrimWhite(keyPath));
    while (!key.empty() && key.back() == '\\') {
        key.pop_back();
    }
    return key;
}

RegFile RegFile::Parse(std::string_view contents) {
    RegFile file;
    const auto lines = LogicalLines(DecodeFile(contents));
    std::size_t i = 0;
    while (i < lines.size() && TrimWhite(lines[i]).empty()) {
        ++i;
    }
    if (i == lines.size()) {
        return file;
    }
    const auto header = TrimWhite(lines[i]);
    if (header != "Windows Registry Editor Version 5.00" && header != "REGEDIT4") {
        return file;
    }
    std::map<std::string, RegValue>* section = nullptr;
    for (++i; i < lines.size(); ++i) {
        const auto line = TrimWhite(lines[i]);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            section = nullptr;
            if (line.back() != ']' || line.size() < 3 || line[1] == '-') {
                continue;  // malformed, or a key deletion: values below belong nowhere
            }
            section = &file.keys_[NormalizeKey(line.substr(1, line.size() - 2))];
            continue;
        }
        if (section == nullptr) {
            continue;
        }
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (auto quoted = ReadQuoted(line, pos)) {
            name = std::move(*quoted);
        } else {
            continue;
        }
        const auto rest = TrimWhite(line.substr(pos));
        if (rest.empty() || rest[0] != '=') {
            continue;
        }
        const auto valueText = TrimWhite(rest.substr(1));
        if (valueText == "-") {
            section->erase(text::ToUpper(name));
            continue;
        }
        if (auto value = ParseData(valueText)) {
            (*section)[text::ToUpper(name)] = std::move(*value);
        }
    }
    return file;
}

std::optional<RegValue> RegFile::Find(std::string_view keyPath, std::string_view valueName) const {
    const auto key = keys_.find(NormalizeKey(keyPath));
    if (key == keys_.end()) {
        return std::nullopt;
    }
    const auto value = key->second.find(text::ToUpper(valueName));
    if (value == key->second.end()) {
        return std::nullopt;
    }
    return value->second;
}

}  // namespace varnix::platform
