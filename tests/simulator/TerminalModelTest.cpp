#include "simulator/TerminalModel.h"

#include <gtest/gtest.h>

namespace varnix::sim {
namespace {

proto::Request MakeRequest(int function, const std::string& amount, const std::string& stan = "",
                           const std::string& preauth = "") {
    iae17::POSRequest request;
    request.Amount.Assign(amount);
    request.PreauthorizationCode.Assign(preauth);
    iae17::POSData data;
    if (!stan.empty()) {
        data.STAN.Assign(stan);
    }
    proto::Request r;
    r.function = function;
    r.request = iae17::Pack(request);
    r.data = iae17::Pack(data);
    return r;
}

iae17::POSData DataOf(const Reply& reply) {
    iae17::POSData data;
    iae17::Unpack(reply.answer.data, data);
    return data;
}

std::string Trim(const std::string& s) {
    const auto end = s.find_last_not_of(std::string(" \0", 2));
    return end == std::string::npos ? "" : s.substr(0, end + 1);
}

TEST(TerminalModelTest, KeepsTotalsAcrossPaymentsRefundsVoidsAndClosure) {
    TerminalModel model({});
    const Clock now;
    const auto pay = model.Handle(MakeRequest(1, "1250"), now);
    EXPECT_EQ(pay.outcome, "approved");
    const std::string stan = Trim(DataOf(pay).STAN.Text());
    EXPECT_EQ(stan, "000001");
    model.Handle(MakeRequest(2, "500"), now);
    model.Handle(MakeRequest(3, "200"), now);
    EXPECT_EQ(model.Balance(), 1550);
    EXPECT_EQ(model.Handle(MakeRequest(4, "", stan), now).outcome, "approved");
    EXPECT_EQ(model.Handle(MakeRequest(4, "", stan), now).outcome, "refused");
    EXPECT_EQ(model.Handle(MakeRequest(4, "", "999999"), now).outcome, "refused");
    EXPECT_EQ(model.Balance(), 300);
    const auto totals = model.Handle(MakeRequest(6, ""), now);
    EXPECT_EQ(Trim(DataOf(totals).POSBalance.Text()), "300");
    EXPECT_EQ(model.Balance(), 0);
    EXPECT_EQ(model.Handle(MakeRequest(1, "abc"), now).outcome, "refused");
}

TEST(TerminalModelTest, PreauthorisationsNeedTheirCode) {
    TerminalModel model({});
    const Clock now;
    const auto opened = model.Handle(MakeRequest(7, "5000"), now);
    const std::string code = Trim(DataOf(opened).PreauthorizationCode.Text());
    EXPECT_EQ(code.size(), 10U);
    EXPECT_EQ(model.Handle(MakeRequest(8, "100", "", "PA99999999"), now).outcome, "refused");
    EXPECT_EQ(Trim(DataOf(model.Handle(MakeRequest(8, "100", "", code), now)).AmountAuth.Text()),
              "5100");
    EXPECT_EQ(model.Handle(MakeRequest(9, "", "", code), now).outcome, "approved");
    EXPECT_EQ(model.Balance(), 5100);
    EXPECT_EQ(model.Handle(MakeRequest(9, "", "", code), now).outcome, "refused");
}

TEST(TerminalModelTest, MagicAmountsAndOptionsChooseTheDelivery) {
    const Clock now;
    TerminalModel model({});
    EXPECT_EQ(model.Handle(MakeRequest(2, "990002"), now).delivery, Delivery::Silence);
    EXPECT_EQ(model.Handle(MakeRequest(2, "990003"), now).delivery, Delivery::Garbage);
    EXPECT_EQ(model.Handle(MakeRequest(2, "990006"), now).delivery, Delivery::Drop);
    EXPECT_EQ(model.Handle(MakeRequest(2, "990004"), now).answer.result, 4);
    EXPECT_EQ(model.Handle(MakeRequest(2, "990005"), now).answer.result, 100);
    EXPECT_EQ(model.Handle(MakeRequest(2, "990007"), now).answer.result, 7);

    ModelOptions plain;
    plain.magicAmounts = false;
    plain.refusedFunctions = {7};
    TerminalModel noMagic(plain);
    EXPECT_EQ(noMagic.Handle(MakeRequest(2, "990002"), now).outcome, "approved");
    EXPECT_EQ(noMagic.Handle(MakeRequest(7, "10"), now).answer.result, 4);
}

}  // namespace
}  // namespace varnix::sim
