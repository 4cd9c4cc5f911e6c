#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "fakes/TestSession.h"
#include "forms/ConsoleForm.h"

namespace varnix::forms {
namespace {

// The console's link lists as shown, "|" between them.
std::string Lists(const ConsoleForm& c) {
    return c.cmbConnessione.Text() + "|" + c.cmbCOM.Text() + "|" + c.cmbBaud.Text() + "|" +
           c.cmbParity.Text() + "|" + c.cmbDati.Text() + "|" + c.cmbStop.Text();
}

TEST(ConsoleFormTest, LoadsWithItsPresetsAndFollowsTheConfiguredSerialCodes) {
    fakes::TestSession test;
    ConsoleForm& console = test.session.console;
    EXPECT_EQ(Lists(console), "RS232|COM3|9600|None|8|1");
    EXPECT_EQ(console.cmbCOM.ListCount(), 20);
    EXPECT_EQ(console.cmbPagamento.Text() + "|" + console.txtCassa.Text(), "Automatico|99999999");
    EXPECT_FALSE(console.txtTerminale.visible || console.visible);

    iae17::ComParams com;
    com.DataBits.Assign("0");
    com.Parity.Assign("2");
    com.StopBits.Assign("1");
    // A port that is no number selects none; a position the list lacks is refused, and a huge
    // number rounds to the edge of int without wrapping round into the list.
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        {"12", "5", true, "Ethernet|COM12|19200|Even|7|2"},
        {"0", "9", false, "RS232||19200|Even|7|2"},
        {"1", "0", false, "RS232|COM1|300|Even|7|2"},
        {"-5E15", "9E99", false, "RS232|COM1|300|Even|7|2"},
        {"COM4", "x", false, "RS232||300|Even|7|2"}};
    for (const auto& [port, baud, ethernet, lists] : cases) {
        com.ComPort.Assign(port);
        com.BaudRate.Assign(baud);
        console.FollowConfiguration(com, ethernet);
        EXPECT_EQ(Lists(console), lists) << port;
    }
}

TEST(ConsoleFormTest, ClearResultBlanksEveryOutcomeBoxAndRedraws) {
    fakes::TestSession test;
    ConsoleForm& console = test.session.console;
    int redraws = 0;
    console.onRefresh = [&redraws] { ++redraws; };
    console.txtEsito.SetText("OK");
    console.txtImporto.SetText("1250");
    for (int i = 0; i < ConsoleForm::kResultBoxCount; ++i) {
        console.ResultBox(i)->SetText("x");
    }
    console.ClearResult();
    std::string left = console.txtEsito.Text();
    for (int i = 0; i < ConsoleForm::kResultBoxCount; ++i) {
        left += console.ResultBox(i)->Text();
    }
    EXPECT_EQ(left, "");
    EXPECT_EQ(console.txtImporto.Text(), "1250");
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(console.ResultBox(ConsoleForm::kResultBoxCount), nullptr);
    EXPECT_EQ(console.ResultBox(-1), nullptr);
}

TEST(ControlsTest, TextBoxEndsAtItsFirstNulAndListsRefuseUnknownPositions) {
    TextBox box;
    box.SetText(std::string("AB\0CD", 5));
    EXPECT_EQ(box.Text(), "AB");
    box.SetText(std::string(9, '\0'));
    EXPECT_TRUE(box.IsEmpty());
    box.SetText("2        ");
    EXPECT_EQ(box.Text().size(), 9U);

    ComboBox fixed;
    fixed.SetItems({"a", "b"});
    EXPECT_FALSE(fixed.SetListIndex(2) || fixed.SetListIndex(-2));
    EXPECT_TRUE(fixed.SetListIndex(1));
    EXPECT_FALSE(fixed.SetText("c"));
    EXPECT_EQ(fixed.Text(), "b");
    EXPECT_TRUE(fixed.SetListIndex(-1));
    EXPECT_EQ(fixed.Text(), "");

    ComboBox editable(true);
    editable.AddItem("9600");
    EXPECT_TRUE(editable.SetText("9600"));
    EXPECT_EQ(editable.ListIndex(), 0);
    EXPECT_TRUE(editable.SetText("7"));
    EXPECT_EQ(editable.ListIndex(), -1);
    EXPECT_EQ(editable.Text(), "7");
}

TEST(ServiceWindowTest, SleepDelayWaitsWholeFiftyMillisecondStepsPumpingAfterEach) {
    const std::pair<double, int> cases[] = {{49, 0},   {50, 1},      {75, 1},
                                            {99.4, 1}, {500, 10},    {0, 0},
                                            {-100, 0}, {30000, 600}, {1638375, 32767}};
    for (const auto& [timeout, steps] : cases) {
        fakes::TestSession test;
        test.session.ports.SleepDelay(timeout);
        EXPECT_EQ(std::tuple(test.clock.sleeps, test.clock.sleptMs, test.events.pumps),
                  std::tuple(steps, steps * 50LL, steps))
            << timeout;
    }
    fakes::TestSession test;
    EXPECT_THROW(test.session.ports.SleepDelay(1638400), RuntimeError);
    EXPECT_THROW(test.session.ports.SleepDelay(1e30), RuntimeError);
    EXPECT_EQ(test.clock.sleeps, 0);
}

TEST(ServiceWindowTest, ReadFileShowsTheResultWithItsFirstLineRebuiltThenClears) {
    fakes::TestSession test;
    ServiceWindow& window = test.session.service;
    const auto click = [&] { test.session.serviceActions.btnReadFile_Click(); };
    click();
    EXPECT_EQ(test.dialogs.Texts(), std::vector<std::string>{"FILE NON TROVATO"});
    EXPECT_TRUE(window.txtReadFile.IsEmpty());

    testing::WriteFile(test.dir / config::kResultFileName,
                       "anything at all\r\nESITO_COMANDO = OK\r\nlast");
    window.txtAmount.SetText("10");
    window.txtTipo.SetText("2");
    click();
    EXPECT_EQ(window.txtReadFile.Text(),
              "TIPO_COMANDO = POS_PAGAME,A10,P2;\r\nESITO_COMANDO = OK\r\nlast\r\n");
    click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    testing::WriteFile(test.dir / config::kResultFileName, "");
    click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    EXPECT_EQ(test.dialogs.shown.size(), 1U);
}

}  // namespace
}  // namespace varnix::forms
