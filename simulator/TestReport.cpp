#include "simulator/TestReport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/Platform.h"

namespace varnix::sim {

namespace {

std::string Decimal(std::int64_t ms) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return buffer;
}

std::string Join(const std::vector<std::string>& lines, const char* separator) {
    std::string text;
    for (const auto& line : lines) {
        text += (text.empty() ? "" : separator) + line;
    }
    return text;
}

std::string StepTitle(std::size_t index, const Step& step) {
    char number[16];
    std::snprintf(number, sizeof number, "%02zu", index + 1);
    return std::string(number) + " " + step.name;
}

std::int64_t Took(const StepResult& r) {
    return r.endMs >= r.startMs ? r.endMs - r.startMs : 0;
}

// The step's story, one "label: text" line each, for JUnit's system-out.
std::string Story(const Step& step, const StepResult& r) {
    std::string text = "Istruzione: " + step.instruction + "\n" +
                       "Atteso: " + DescribeExpected(step) + "\n" +
                       "Terminale: " + NameOf(step.terminal.answer) + "\n" +
                       "Ricevuto: " + (r.received.empty() ? "-" : r.received) + "\n" +
                       "Risposta: " + (r.answer.empty() ? "-" : r.answer) + "\n";
    if (!r.recorded.empty()) {
        text += "Registrato da VarnixPos: " + r.recorded + "\n";
    }
    if (!r.after.empty()) {
        text += "Dopo: " + Join(r.after, "; ") + "\n";
    }
    return text;
}

// How each verdict reads, and its CSS class.
struct VerdictLook {
    Verdict verdict;
    const char* text;
    const char* css;
};
constexpr VerdictLook kVerdictLooks[] = {
    {Verdict::Pending, "da eseguire", "skip"},
    {Verdict::Passed, "superato", "pass"},
    {Verdict::Failed, "fallito", "fail"},
    {Verdict::NotJudged, "non verificato", "skip"},
};

const VerdictLook& LookOf(Verdict verdict) {
    for (const auto& look : kVerdictLooks) {
        if (look.verdict == verdict) {
            return look;
        }
    }
    return kVerdictLooks[0];
}

constexpr const char* kStyle = R"(
body { font: 14px/1.4 "DejaVu Sans", Arial, sans-serif; margin: 24px; color: #1d2329; }
h1 { font-size: 20px; margin: 0 0 4px; }
.meta { color: #59636e; margin-bottom: 14px; }
.summary span { display: inline-block; padding: 4px 10px; margin-right: 8px; border-radius: 4px;
  font-weight: bold; }
.summary .pass, td.verdict.pass { background: #dff3e4; color: #1a6b34; }
.summary .fail, td.verdict.fail { background: #fbe0e0; color: #a11d1d; }
.summary .skip, td.verdict.skip { background: #fdf1d6; color: #8a5a00; }
table { border-collapse: collapse; width: 100%; margin-top: 16px; table-layout: fixed; }
th, td { border: 1px solid #d0d7de; padding: 6px 8px; vertical-align: top; text-align: left; }
th { background: #f3f5f7; }
tr.fail { background: #fff6f6; }
td.verdict b { white-space: nowrap; }
td { overflow-wrap: anywhere; }
ul { margin: 4px 0 0; padding-left: 18px; }
.why { color: #a11d1d; }
.note { color: #8a5a00; }
.small { color: #59636e; font-size: 12px; }
)";

}  // namespace

namespace {

// The length of the UTF-8 sequence at `at` that XML 1.0 may carry, 0 when it is none: a
// malformed or overlong sequence, a surrogate, or U+FFFE/U+FFFF.
std::size_t XmlCharAt(const std::string& s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[at + i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > s.size()) {
        return 0;
    }
    std::uint32_t code = length == 1 ? lead : lead & (0x7FU >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3FU);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        code == 0xFFFE || code == 0xFFFF) {
        return 0;
    }
    if (code < 0x20 && code != '\n' && code != '\t' && code != '\r') {
        return 0;
    }
    return length;
}

}  // namespace

std::string MarkupEscape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = XmlCharAt(utf8, at);
        if (length == 0) {
            // A control character goes; a byte that is no character becomes U+FFFD.
            if (static_cast<unsigned char>(utf8[at]) >= 0x80) {
                out += "\xEF\xBF\xBD";
            }
            ++at;
            continue;
        }
        switch (utf8[at]) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.append(utf8, at, length);
        }
        at += length;
    }
    return out;
}

std::string JUnitXml(const TestRun& run, const ReportInfo& info) {
    const TestSet& set = run.Set();
    const std::string suite = set.name.empty() ? "test set" : set.name;
    const bool afterLast = !run.AfterLast().empty();
    // A step that could not be judged is no pass a CI may let through: an error, not a skip.
    const std::string counts =
        " tests=\"" + std::to_string(set.steps.size() + (afterLast ? 1 : 0)) + "\" failures=\"" +
        std::to_string(run.Count(Verdict::Failed) + (afterLast ? 1 : 0)) + "\" errors=\"" +
        std::to_string(run.Count(Verdict::NotJudged) + run.Count(Verdict::Pending)) +
        "\" skipped=\"0\" time=\"" + Decimal(info.durationMs) + "\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites name=\"VarnixPos pos-simulator\"" + counts + ">\n";
    std::string stamp = info.startedAt;
    std::replace(stamp.begin(), stamp.end(), ' ', 'T');
    xml += "  <testsuite name=\"" + MarkupEscape(suite) + "\"" + counts + " timestamp=\"" +
           MarkupEscape(stamp) + "\">\n";
    xml += "    <properties>\n      <property name=\"test_set\" value=\"" +
           MarkupEscape(info.setFile) + "\"/>\n      <property name=\"history\" value=\"" +
           MarkupEscape(info.history) + "\"/>\n    </properties>\n";
    const auto& results = run.Results();
    for (std::size_t i = 0; i < set.steps.size(); ++i) {
        const Step& step = set.steps[i];
        const StepResult& r = results[i];
        xml += "    <testcase classname=\"" + MarkupEscape(suite) + "\" name=\"" +
               MarkupEscape(StepTitle(i, step)) + "\" time=\"" + Decimal(Took(r)) + "\">\n";
        if (r.verdict == Verdict::Failed) {
            xml += "      <failure type=\"" + MarkupEscape(r.failureType) + "\" message=\"" +
                   MarkupEscape(r.failures.front()) + "\">" + MarkupEscape(Join(r.failures, "\n")) +
                   "</failure>\n";
        } else if (r.verdict == Verdict::NotJudged) {
            xml += "      <error type=\"non verificato\" message=\"" +
                   MarkupEscape(Join(r.notJudged, "; ")) + "\"/>\n";
        } else if (r.verdict == Verdict::Pending) {
            xml +=
                "      <error type=\"da eseguire\" message=\"non ancora eseguito: la prova è "
                "in corso, o si è fermata senza report finale\"/>\n";
        }
        xml += "      <system-out>" + MarkupEscape(Story(step, r)) + "</system-out>\n";
        xml += "    </testcase>\n";
    }
    if (afterLast) {
        xml += "    <testcase classname=\"" + MarkupEscape(suite) + "\" name=\"" +
               MarkupEscape(kAfterLastCase) + "\" time=\"0.000\">\n      <failure type=\"" +
               TestRun::kUnexpected + "\" message=\"" +
               MarkupEscape("richiesta non prevista: " + run.AfterLast().front()) + "\">" +
               MarkupEscape(Join(run.AfterLast(), "\n")) + "</failure>\n    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

std::string HtmlReport(const TestRun& run, const ReportInfo& info) {
    const TestSet& set = run.Set();
    const auto& results = run.Results();
    const std::string title =
        "VarnixPos \xE2\x80\x94 " + (set.name.empty() ? "test set" : set.name);
    std::string html = "<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n";
    html += "<title>" + MarkupEscape(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n";
    html += "<body>\n<h1>" + MarkupEscape(title) + "</h1>\n<div class=\"meta\">";
    if (!set.description.empty()) {
        html += MarkupEscape(set.description) + "<br>";
    }
    html += MarkupEscape(info.setFile) + " \xC2\xB7 avviato " + MarkupEscape(info.startedAt) +
            " \xC2\xB7 durata " + MarkupEscape(Seconds(info.durationMs)) + " \xC2\xB7 storico: " +
            MarkupEscape(info.history.empty() ? "non letto (manca --history)" : info.history) +
            "</div>\n";
    const bool afterLast = !run.AfterLast().empty();
    html +=
        "<div class=\"summary\"><span class=\"fail\">" +
        std::to_string(run.Count(Verdict::Failed) + (afterLast ? 1 : 0)) +
        " falliti</span><span class=\"skip\">" + std::to_string(run.Count(Verdict::NotJudged)) +
        " non verificati</span>" +
        (run.Finished() ? std::string()
                        : "<span class=\"skip\">" + std::to_string(run.Count(Verdict::Pending)) +
                              " da eseguire (prova in corso)</span>") +
        "<span class=\"pass\">" + std::to_string(run.Count(Verdict::Passed)) +
        " superati</span> su " + std::to_string(set.steps.size()) + " passi" +
        (afterLast ? " e il controllo finale" : "") + "</div>\n";
    html +=
        "<table>\n<colgroup><col style=\"width:11%\"><col style=\"width:17%\">"
        "<col style=\"width:14%\"><col style=\"width:24%\"><col style=\"width:11%\">"
        "<col style=\"width:14%\"><col style=\"width:9%\"></colgroup>\n"
        "<tr><th>Passo</th><th>Istruzione</th><th>Atteso</th><th>Ricevuto</th>"
        "<th>Risposta del terminale</th><th>Esito</th><th>Tempi</th></tr>\n";
    // Failures first, then what could not be judged, what is still to come and the passes; in
    // step order within each.
    std::vector<std::size_t> order(set.steps.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    const auto rank = [&](std::size_t i) {
        return results[i].verdict == Verdict::Failed      ? 0
               : results[i].verdict == Verdict::NotJudged ? 1
                                                          : 2;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rank(a) < rank(b); });
    if (afterLast) {
        html += "<tr class=\"fail\"><td>" + MarkupEscape(kAfterLastCase) +
                "</td><td>La cassa non invia altro dopo l'ultimo passo</td><td>nessuna "
                "richiesta</td><td>";
        for (const auto& what : run.AfterLast()) {
            html += "<div>" + MarkupEscape(what) + "</div>";
        }
        html +=
            "</td><td>negata</td><td class=\"verdict fail\"><b>fallito</b><ul><li "
            "class=\"why\">richiesta non prevista</li></ul></td><td class=\"small\">"
            "</td></tr>\n";
    }
    for (const std::size_t i : order) {
        const Step& step = set.steps[i];
        const StepResult& r = results[i];
        const char* css = LookOf(r.verdict).css;
        html += "<tr class=\"" + std::string(css) + "\"><td>" + MarkupEscape(StepTitle(i, step)) +
                "</td><td>" + MarkupEscape(step.instruction) + "</td><td>" +
                MarkupEscape(DescribeExpected(step)) + "</td><td>" +
                MarkupEscape(r.received.empty() ? "\xE2\x80\x94" : r.received);
        if (!r.recorded.empty()) {
            html += "<div class=\"small\">VarnixPos: " + MarkupEscape(r.recorded) + "</div>";
        }
        if (!r.after.empty()) {
            html += "<div class=\"small\">Dopo: " + MarkupEscape(Join(r.after, "; ")) + "</div>";
        }
        html += "</td><td>" + MarkupEscape(r.answer.empty() ? "\xE2\x80\x94" : r.answer) +
                "<div class=\"small\">(" + NameOf(step.terminal.answer) + ")</div>" +
                "</td><td class=\"verdict " + css + "\"><b>" + LookOf(r.verdict).text + "</b>";
        if (!r.failures.empty() || !r.notJudged.empty()) {
            html += "<ul>";
            for (const auto& why : r.failures) {
                html += "<li class=\"why\">" + MarkupEscape(why) + "</li>";
            }
            for (const auto& note : r.notJudged) {
                html += "<li class=\"note\">" + MarkupEscape(note) + "</li>";
            }
            html += "</ul>";
        }
        html += "</td><td class=\"small\">inizio +" + MarkupEscape(Seconds(r.startMs)) +
                (r.requestMs >= 0
                     ? "<br>richiesta dopo " + MarkupEscape(Seconds(r.requestMs - r.startMs))
                     : std::string()) +
                "<br>durata " + MarkupEscape(Seconds(Took(r))) + "<br>limite " +
                MarkupEscape(Seconds(step.timeLimitMs)) + "</td></tr>\n";
    }
    html += "</table>\n</body>\n</html>\n";
    return html;
}

bool WriteReports(const std::string& folder, const TestRun& run, const ReportInfo& info,
                  std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::error_code looked;
    if (!std::filesystem::is_directory(folder, looked)) {
        const std::string reason = ec ? ec.message() : std::string("not a folder");
        error = "cannot create the report folder " + folder + ": " + reason;
        return false;
    }
    auto& platform = platform::HostPlatform();
    const std::filesystem::path base(folder);
    for (const auto& [name, text] : {std::pair{kJUnitFileName, JUnitXml(run, info)},
                                     std::pair{kHtmlFileName, HtmlReport(run, info)}}) {
        const std::string path = (base / name).string();
        errno = 0;
        if (!platform.ReplaceContents(path, text, /*synced=*/false)) {
            error = "cannot write " + path +
                    (errno != 0 ? ": " + std::string(std::strerror(errno)) : "");
            return false;
        }
    }
    return true;
}

}  // namespace varnix::sim
