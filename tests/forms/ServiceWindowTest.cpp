#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "fakes/TestSession.h"

namespace varnix::forms {
namespace {

TEST(SleepDelayTest, WaitsWholeFiftyMillisecondStepsPumpingAfterEach) {
    const std::pair<double, int> cases[] = {{49, 0},   {50, 1},      {75, 1},
                                            {99.4, 1}, {500, 10},    {0, 0},
                                            {-100, 0}, {30000, 600}, {1638375, 32767}};
    for (const auto& [timeout, steps] : cases) {
        fakes::TestSession test;
        test.session.ports.SleepDelay(timeout);
        EXPECT_EQ(test.clock.sleeps, steps) << timeout;
        EXPECT_EQ(test.clock.sleptMs, steps * 50LL);
        EXPECT_EQ(test.events.pumps, steps);
    }
    fakes::TestSession test;
    EXPECT_THROW(test.session.ports.SleepDelay(1638400), RuntimeError);
    EXPECT_THROW(test.session.ports.SleepDelay(1e30), RuntimeError);
    EXPECT_EQ(test.clock.sleeps, 0);
}

TEST(ReadFileTest, ShowsTheFileWithItsFirstLineRebuiltThenClears) {
    fakes::TestSession test;
    ServiceWindow& window = test.session.service;
    const std::string path = test.dir / config::kResultFileName;

    test.session.serviceActions.btnReadFile_Click();
    EXPECT_EQ(test.dialogs.Texts(), std::vector<std::string>{"FILE NON TROVATO"});
    EXPECT_TRUE(window.txtReadFile.IsEmpty());

    testing::WriteFile(path, "anything at all\r\nESITO_COMANDO = OK\r\nlast");
    window.txtAmount.SetText("10");
    window.txtTipo.SetText("2");
    test.session.serviceActions.btnReadFile_Click();
    EXPECT_EQ(window.txtReadFile.Text(),
              "TIPO_COMANDO = POS_PAGAME,A10,P2;\r\nESITO_COMANDO = OK\r\nlast\r\n");
    test.session.serviceActions.btnReadFile_Click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());

    testing::WriteFile(path, "");
    test.session.serviceActions.btnReadFile_Click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    EXPECT_EQ(test.dialogs.shown.size(), 1U);
}

}  // namespace
}  // namespace varnix::forms
