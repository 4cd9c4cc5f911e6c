#include "iae17/Records.h"

#include <gtest/gtest.h>

#include "iae17/ResultCodes.h"

namespace varnix::iae17 {
namespace {

// Each field gets a distinct marker, which must land at the drawn offset of the packed bytes.
TEST(RecordsTest, RecordsPackAtTheDrawnOffsets) {
    POSRequest r;
    r.Amount.Assign("A");
    r.EcrId.Assign("E");
    r.PaymentType.Assign("P");
    r.TerminalId.Assign("T");
    r.ContractText.Assign("C");
    r.PreauthorizationCode.Assign("K");
    r.STAN.Assign("S");
    const auto packed = Pack(r);
    std::string markers;
    for (std::size_t offset : {0U, 9U, 18U, 20U, 29U, 158U, 168U}) {
        markers += packed[offset];
    }
    EXPECT_EQ(markers, "AEPTCKS");
    EXPECT_EQ(std::string(packed.data() + 175, POSRequest::kSize - 175),
              std::string(POSRequest::kSize - 175, '\0'));  // reserved

    EthParams eth;
    eth.IPAddress.Assign("127.0.0.1");
    eth.Port.Assign("9100");
    EXPECT_EQ(std::string(Pack(eth).data(), EthParams::kSize), "127.0.0.1       9100  ");
    ComParams com;
    com.ComPort.Assign("COM3");
    com.BaudRate.Assign("4");
    com.DataBits.Assign("1");
    com.Parity.Assign("0");
    com.StopBits.Assign("2");
    EXPECT_EQ(std::string(Pack(com).data(), ComParams::kSize), "COM3  4 1 0 2 ");
}

TEST(RecordsTest, OutcomeFieldsRoundTripThroughThePackedLayout) {
    PackedData bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('a' + (i % 26));
    }
    POSData data;
    Unpack(bytes, data);
    EXPECT_EQ(Pack(data), bytes);
    for (int i = 0; i < static_cast<int>(kPOSDataFields.size()); ++i) {
        const auto& f = kPOSDataFields[static_cast<std::size_t>(i)];
        EXPECT_EQ(FieldText(data, i), std::string(bytes.data() + f.offset, f.width)) << f.name;
    }
    EXPECT_EQ(data.STAN.Text(), std::string(bytes.data() + 55, 7));
    EXPECT_EQ(data.Ticket.Text().size(), 4097U);
    SetFieldBytes(data, 6, "123");
    EXPECT_EQ(data.STAN.Text(), std::string("123\0\0\0\0", 7));
}

TEST(ResultCodesTest, EveryCodeHasItsTextAndOthersNone) {
    using Text = std::optional<std::string>;
    EXPECT_EQ((std::vector{ResultText(0, true), ResultText(1, true), ResultText(1, false),
                           ResultText(2, false), ResultText(3, true), ResultText(4, true),
                           ResultText(100, true), ResultText(5, true), ResultText(-1, true)}),
              (std::vector<Text>{"OK", "ETH ERROR", "COM ERROR", "PROTOCOL ERROR", "TIMEOUT ERROR",
                                 "FUNCTION ERROR", "PASSWORD ERROR", std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace varnix::iae17
