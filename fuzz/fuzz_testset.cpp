// Arbitrary test sets through the simulator's parser, and a parsed one through a run that stops at
// once and both reports.
#include <string>

#include "fuzz/FuzzHarness.h"
#include "simulator/TestReport.h"
#include "simulator/TestRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto set = varnix::sim::ParseTestSet(text, "en", error);
    if (!set) {
        return 0;
    }
    varnix::sim::TestRun run(std::move(*set), true);
    run.Start(0);
    run.Tick(1);
    run.Abort(2);
    const varnix::sim::ReportInfo info{"fuzz.json", "2026-12-06 09:41:07", 2, ""};
    (void)varnix::sim::JUnitXml(run, info);
    (void)varnix::sim::HtmlReport(run, info);
    return 0;
}
