#include "startup/RunMode.h"

#include <gtest/gtest.h>

namespace varnix::startup {
namespace {

TEST(RunModeTest, FirstSwitchFoundInOrderDecides) {
    constexpr RunMode R = RunMode::Resident;
    constexpr RunMode E = RunMode::RunOnce;
    // clang-format off
    const std::pair<const char*, RunModeChoice> cases[] = {
        {"", {R, ""}}, {"   ", {R, ""}}, {"/E /V", {R, ""}},
        {"-E C:\\Cassa\\cfg.txt", {E, " C:\\Cassa\\cfg.txt"}}, {"-e/x/c.txt", {E, "/x/c.txt"}},
        {"-E \"C:\\Program Files\\c.txt\"", {E, " C:\\Program Files\\c.txt"}},
        {"-E\"/a b/c.txt\" ", {E, "/a b/c.txt "}}, {"-V -E /x/c.txt", {E, " /x/c.txt"}},
        {"-E /x/c.txt -I", {E, " /x/c.txt -I"}}, {"-E", {E, ""}},
        {"-v", {RunMode::Version, ""}}, {"-I -V", {RunMode::Version, ""}},
        {"-i", {RunMode::Interactive, ""}}, {"x-iy", {RunMode::Interactive, ""}}};
    // clang-format on
    for (const auto& [commandLine, choice] : cases) {
        EXPECT_EQ(ChooseRunMode(commandLine), choice) << '"' << commandLine << '"';
    }
}

}  // namespace
}  // namespace varnix::startup
