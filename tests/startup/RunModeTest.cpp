#include "startup/RunMode.h"

#include <gtest/gtest.h>

namespace varnix::startup {
namespace {

struct ModeCase {
    const char* commandLine;
    RunModeChoice expected;
};

class RunModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(RunModeTest, FirstSwitchFoundInOrderDecides) {
    EXPECT_EQ(ChooseRunMode(GetParam().commandLine), GetParam().expected)
        << '"' << GetParam().commandLine << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunModeTest,
    ::testing::Values(
        ModeCase{"", {RunMode::Resident, ""}}, ModeCase{"   ", {RunMode::Resident, ""}},
        ModeCase{"-E C:\\Cassa\\cfg.txt", {RunMode::RunOnce, " C:\\Cassa\\cfg.txt"}},
        ModeCase{"-e/x/c.txt", {RunMode::RunOnce, "/x/c.txt"}},
        ModeCase{"-E \"C:\\Program Files\\c.txt\"",
                 {RunMode::RunOnce, " C:\\Program Files\\c.txt"}},
        ModeCase{"-E\"/a b/c.txt\" ", {RunMode::RunOnce, "/a b/c.txt "}},
        ModeCase{"-V -E /x/c.txt", {RunMode::RunOnce, " /x/c.txt"}},
        ModeCase{"-E /x/c.txt -I", {RunMode::RunOnce, " /x/c.txt -I"}},
        ModeCase{"-E", {RunMode::RunOnce, ""}}, ModeCase{"-v", {RunMode::Version, ""}},
        ModeCase{"-I -V", {RunMode::Version, ""}}, ModeCase{"-i", {RunMode::Interactive, ""}},
        ModeCase{"x-iy", {RunMode::Interactive, ""}}, ModeCase{"/E /V", {RunMode::Resident, ""}}));

}  // namespace
}  // namespace varnix::startup
