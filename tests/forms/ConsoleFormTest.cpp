#include "forms/ConsoleForm.h"

#include <gtest/gtest.h>

#include "fakes/TestSession.h"

namespace varnix::forms {
namespace {

TEST(ConsoleFormTest, LoadsWithItsPresetsAndHiddenTerminalId) {
    fakes::TestSession test;
    ConsoleForm& console = test.session.console;
    EXPECT_EQ(console.cmbConnessione.Text(), "RS232");
    EXPECT_EQ(console.cmbCOM.Text(), "COM3");
    EXPECT_EQ(console.cmbCOM.ListCount(), 20);
    EXPECT_EQ(console.cmbBaud.Text(), "9600");
    EXPECT_EQ(console.cmbParity.Text(), "None");
    EXPECT_EQ(console.cmbDati.Text(), "8");
    EXPECT_EQ(console.cmbStop.Text(), "1");
    EXPECT_EQ(console.cmbPagamento.Text(), "Automatico");
    EXPECT_EQ(console.txtCassa.Text(), "99999999");
    EXPECT_FALSE(console.txtTerminale.visible);
    EXPECT_FALSE(console.visible);
}

TEST(ConsoleFormTest, FollowsTheConfiguredSerialCodes) {
    fakes::TestSession test;
    ConsoleForm& console = test.session.console;
    config::Settings settings;
    settings.ConnectionType = 0;
    settings.ComParams.ComPort.Assign("12");
    settings.ComParams.BaudRate.Assign("5");
    settings.ComParams.DataBits.Assign("0");
    settings.ComParams.Parity.Assign("2");
    settings.ComParams.StopBits.Assign("1");
    console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    EXPECT_EQ(console.cmbCOM.Text(), "COM12");
    EXPECT_EQ(console.cmbBaud.Text(), "19200");
    EXPECT_EQ(console.cmbDati.Text(), "7");
    EXPECT_EQ(console.cmbParity.Text(), "Even");
    EXPECT_EQ(console.cmbStop.Text(), "2");
    EXPECT_EQ(console.cmbConnessione.Text(), "Ethernet");

    settings.ConnectionType = 1;
    settings.ComParams.ComPort.Assign("COM4");  // not a number: no port selected
    settings.ComParams.BaudRate.Assign("9");    // no such position: refused
    console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    EXPECT_EQ(console.cmbCOM.ListIndex(), -1);
    EXPECT_EQ(console.cmbBaud.Text(), "19200");
    EXPECT_EQ(console.cmbConnessione.Text(), "RS232");

    settings.ComParams.ComPort.Assign("-5E15");  // rounds to the edge of int: no wrap-around
    settings.ComParams.BaudRate.Assign("9E99");
    console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    EXPECT_EQ(console.cmbCOM.ListIndex(), -1);
    EXPECT_EQ(console.cmbBaud.Text(), "19200");
}

TEST(ConsoleFormTest, ClearResultBlanksEveryOutcomeBoxAndRedraws) {
    fakes::TestSession test;
    ConsoleForm& console = test.session.console;
    int redraws = 0;
    console.onRefresh = [&redraws] { ++redraws; };
    console.txtEsito.SetText("OK");
    for (int i = 0; i < ConsoleForm::kResultBoxCount; ++i) {
        console.ResultBox(i)->SetText("x");
    }
    console.txtImporto.SetText("1250");
    console.ClearResult();
    EXPECT_EQ(console.txtEsito.Text(), "");
    for (int i = 0; i < ConsoleForm::kResultBoxCount; ++i) {
        EXPECT_EQ(console.ResultBox(i)->Text(), "") << i;
    }
    EXPECT_EQ(console.txtImporto.Text(), "1250");
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(console.ResultBox(16), nullptr);
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
    fixed.AddItem("a");
    fixed.AddItem("b");
    EXPECT_FALSE(fixed.SetListIndex(2));
    EXPECT_FALSE(fixed.SetListIndex(-2));
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

}  // namespace
}  // namespace varnix::forms
