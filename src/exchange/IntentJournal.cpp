#include "exchange/IntentJournal.h"

#include <algorithm>
#include <charconv>

#include "exchange/CommandFile.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

namespace {

constexpr std::string_view kHeader = "VARNIXPOS-JOURNAL 2";

// Fields are TAB-separated; a backslash escapes the few bytes that would break a line apart.
std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

}  // namespace

std::string IntentJournal::Format(const std::string& commandPath,
                                  const std::vector<Entry>& entries) {
    std::string out(kHeader);
    out += '\t' + Escape(commandPath) + std::string(text::kCrLf);
    for (const auto& entry : entries) {
        const char* mark = entry.mark == Mark::Running ? "RUNNING"
                           : entry.mark == Mark::Hold  ? "HOLD"
                                                       : "DONE";
        std::string body = std::string(mark) + '\t' + entry.identity.ToText() + '\t' +
                           std::to_string(entry.lineIndex) + '\t' + Escape(entry.line);
        const std::uint64_t check = HashBytes(body);
        out += body + '\t' + std::to_string(check) + std::string(text::kCrLf);
    }
    return out;
}

std::vector<IntentJournal::Entry> IntentJournal::Parse(std::string_view text,
                                                       std::size_t* damaged) {
    std::vector<Entry> entries;
    bool headerSeen = false;
    std::size_t lines = 0;
    text::ForEachLine(text, [&](std::string_view line) {
        if (!headerSeen) {
            headerSeen = line.substr(0, line.find('\t')) == kHeader;
            if (!headerSeen && !line.empty()) {
                ++lines;  // text where the header should be: not a journal to trust
            }
            return;
        }
        if (!line.empty()) {
            ++lines;
        }
        const auto fields = SplitTabs(line);
        if (fields.size() != 5) {
            return;
        }
        const std::string_view body = line.substr(0, line.size() - fields[4].size() - 1);
        std::uint64_t check = 0;
        std::uint64_t lineIndex = 0;
        const auto number = [](std::string_view field, std::uint64_t& value) {
            const auto [end, ec] =
                std::from_chars(field.data(), field.data() + field.size(), value);
            return ec == std::errc() && end == field.data() + field.size();
        };
        if (!number(fields[4], check) || check != HashBytes(body)) {
            return;  // torn or damaged: this entry is lost, the others stand
        }
        const auto identity = FileIdentity::FromText(fields[1]);
        if (!identity || !number(fields[2], lineIndex) ||
            (fields[0] != "RUNNING" && fields[0] != "DONE" && fields[0] != "HOLD")) {
            return;
        }
        const Mark mark = fields[0] == "RUNNING" ? Mark::Running
                          : fields[0] == "HOLD"  ? Mark::Hold
                                                 : Mark::Done;
        entries.push_back({mark, *identity, lineIndex, Unescape(fields[3])});
    });
    if (damaged != nullptr) {
        *damaged = lines - entries.size();
    }
    return entries;
}

void IntentJournal::Open(const std::string& journalPath, const std::string& commandPath) {
    path_ = journalPath;
    commandPath_ = commandPath;
    entries_.clear();
    interrupted_.clear();
    holdsRecord_ = false;
    damaged_ = false;
    const auto text = path_.empty() ? std::nullopt : platform_.ReadWholeFile(path_);
    if (!text) {
        return;
    }
    std::size_t damaged = 0;
    const auto entries = Parse(*text, &damaged);
    damaged_ = damaged > 0;
    for (auto entry : entries) {
        if (entry.mark == Mark::Hold) {
            holdsRecord_ = true;
            continue;
        }
        (entry.mark == Mark::Running ? interrupted_ : entries_).push_back(std::move(entry));
    }
}

IntentJournal::Entry* IntentJournal::FindEntry(const FileIdentity& identity) {
    for (auto& entry : entries_) {
        if (entry.identity == identity) {
            return &entry;
        }
    }
    return nullptr;
}

IntentJournal::Mark IntentJournal::Find(const FileIdentity& identity) const {
    for (const auto* list : {&entries_, &interrupted_}) {
        for (const auto& entry : *list) {
            if (entry.identity == identity) {
                return entry.mark;
            }
        }
    }
    return Mark::None;
}

bool IntentJournal::Begin(const FileIdentity& identity, std::uint64_t lineIndex,
                          const std::string& line) {
    if (Entry* entry = FindEntry(identity)) {
        entry->mark = Mark::Running;
        entry->lineIndex = lineIndex;
        entry->line = line;
    } else {
        entries_.push_back({Mark::Running, identity, lineIndex, line});
    }
    if (Save(true)) {
        return true;
    }
    // Not sent, but taken: this process will not offer the same bytes to the terminal again.
    FindEntry(identity)->mark = Mark::Done;
    return false;
}

bool IntentJournal::Finish(const FileIdentity& identity) {
    Entry* entry = FindEntry(identity);
    if (entry == nullptr) {
        return true;
    }
    entry->mark = Mark::Done;
    return Save();
}

void IntentJournal::Forget(const FileIdentity& identity) {
    const auto before = entries_.size();
    std::erase_if(entries_, [&](const Entry& entry) { return entry.identity == identity; });
    if (entries_.size() != before) {
        Save();
    }
}

void IntentJournal::ForgetAllBut(const FileIdentity* current) {
    const auto before = entries_.size();
    std::erase_if(entries_, [&](const Entry& entry) {
        return current == nullptr || !(entry.identity == *current);
    });
    if (entries_.size() != before) {
        Save();
    }
}

void IntentJournal::SetHoldsRecord(bool holds) {
    if (holds != holdsRecord_) {
        holdsRecord_ = holds;
        Save();
    }
}

void IntentJournal::Resolve(const FileIdentity& identity, bool keepAsDone) {
    const auto at = std::find_if(interrupted_.begin(), interrupted_.end(),
                                 [&](const Entry& entry) { return entry.identity == identity; });
    if (at == interrupted_.end()) {
        return;
    }
    if (keepAsDone) {
        entries_.push_back(*at);
        entries_.back().mark = Mark::Done;
    }
    interrupted_.erase(at);
    Save();
}

bool IntentJournal::Save(bool synced) {
    if (path_.empty()) {
        return false;
    }
    if (entries_.empty() && interrupted_.empty() && !holdsRecord_) {
        // Nothing left to protect: no file stays behind for a command file long gone.
        return platform_.RemoveFile(path_) || !platform_.FileExists(path_);
    }
    std::vector<Entry> all = entries_;
    all.insert(all.end(), interrupted_.begin(), interrupted_.end());
    if (holdsRecord_) {
        all.push_back({Mark::Hold, {}, 0, {}});
    }
    return platform_.ReplaceContents(path_, Format(commandPath_, all), synced);
}

}  // namespace varnix::exchange
