// The report of a test-set run: JUnit XML for a register's CI, and one self-contained HTML page
// for the developer (failures first). Both are built whole in memory, then written in place of
// any earlier report in one step, so a reader never meets half a report.
#pragma once

#include <cstdint>
#include <string>

#include "simulator/TestRun.h"

namespace varnix::sim {

struct ReportInfo {
    std::string setFile;    // the test set's path, as given
    std::string startedAt;  // local time, "2026-12-06 09:41:07"
    std::int64_t durationMs = 0;
    std::string history;  // the history followed; "" when none
};

inline constexpr const char* kJUnitFileName = "report.xml";
inline constexpr const char* kHtmlFileName = "report.html";
// The report's case for what the register sent after the last step, shown when it sent any.
inline constexpr const char* kAfterLastCase = "dopo l'ultimo passo";

std::string JUnitXml(const TestRun& run, const ReportInfo& info);
std::string HtmlReport(const TestRun& run, const ReportInfo& info);

// Writes both into `folder` (made when missing). False with `error` when one could not be.
bool WriteReports(const std::string& folder, const TestRun& run, const ReportInfo& info,
                  std::string& error);

// Text made safe for XML and HTML, with the characters XML 1.0 cannot carry dropped.
std::string MarkupEscape(const std::string& utf8);

}  // namespace varnix::sim
