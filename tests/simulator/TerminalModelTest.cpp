#include "simulator/TerminalModel.h"

#include <gtest/gtest.h>

#include "text/AnsiText.h"

namespace varnix::sim {
namespace {

// Sends one request (an operation's wire number, its amount, and the STAN or pre-authorisation
// code it names) and returns the outcome and the record the model answered with.
auto Send(TerminalModel& model, int function, const std::string& amount,
          const std::string& stan = "", const std::string& preauthCode = "") {
    iae17::POSRequest request;
    request.Amount.Assign(amount);
    request.PreauthorizationCode.Assign(preauthCode);
    iae17::POSData data;
    data.STAN.Assign(stan);
    const Reply reply = model.Handle({function, iae17::Pack(request), iae17::Pack(data)}, Clock{});
    iae17::Unpack(reply.answer.data, data);
    return std::pair{reply.outcome, data};
}

TEST(TerminalModelTest, KeepsTotalsAcrossPaymentsRefundsVoidsAndClosure) {
    TerminalModel model({});
    const auto [outcome, paid] = Send(model, 1, "1250");
    EXPECT_EQ(outcome, "approved");
    EXPECT_EQ(text::TrimBlanks(paid.STAN.Text()), "000001");
    Send(model, 2, "500");
    Send(model, 3, "200");  // a refund
    EXPECT_EQ(model.Balance(), 1550);
    EXPECT_EQ(Send(model, 4, "", "000001").first, "approved");
    EXPECT_EQ(Send(model, 4, "", "000001").first, "refused");  // voided already
    EXPECT_EQ(Send(model, 4, "", "999999").first, "refused");
    EXPECT_EQ(model.Balance(), 300);
    EXPECT_EQ(text::TrimBlanks(Send(model, 6, "").second.POSBalance.Text()), "300");  // the closure
    EXPECT_EQ(model.Balance(), 0);
    EXPECT_EQ(Send(model, 1, "abc").first, "refused");
}

TEST(TerminalModelTest, PreauthorisationsNeedTheirCode) {
    TerminalModel model({});
    const std::string code(
        text::TrimBlanks(Send(model, 7, "5000").second.PreauthorizationCode.Text()));
    EXPECT_EQ(Send(model, 8, "100", "", "PA99999999").first, "refused");
    EXPECT_EQ(text::TrimBlanks(Send(model, 8, "100", "", code).second.AmountAuth.Text()), "5100");
    EXPECT_EQ(Send(model, 9, "", "", code).first, "approved");
    EXPECT_EQ(model.Balance(), 5100);
    EXPECT_EQ(Send(model, 9, "", "", code).first, "refused");
}

// What each magic amount does on the wire is shown against the real library.
TEST(TerminalModelTest, OptionsTurnMagicAmountsOffAndRefuseFunctions) {
    TerminalModel model({.magicAmounts = false, .refusedFunctions = {7}});
    EXPECT_EQ(Send(model, 2, "990002").first, "approved");
    EXPECT_EQ(Send(model, 7, "10").first, "function");
}

}  // namespace
}  // namespace varnix::sim
