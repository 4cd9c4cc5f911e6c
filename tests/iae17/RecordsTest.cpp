#include "iae17/Records.h"

#include <gtest/gtest.h>

#include "iae17/ResultCodes.h"

namespace varnix::iae17 {
namespace {

TEST(RecordsTest, FieldsStartAsNulsAndTakeTextLeftJustifiedPaddedAndCut) {
    POSRequest request;
    EXPECT_EQ(request.Amount.Text(), std::string(9, '\0'));
    request.Amount.Assign("12");
    EXPECT_EQ(request.Amount.Text(), "12       ");
    request.Amount.Assign("1234567890");
    EXPECT_EQ(request.Amount.Text(), "123456789");
    request.Amount.Assign("");
    EXPECT_EQ(request.Amount.Text(), std::string(9, ' '));
}

// Writes a distinct marker into one field and checks where it lands in the packed bytes.
TEST(RecordsTest, RequestPacksAtTheDrawnOffsets) {
    POSRequest r;
    r.Amount.Assign("A");
    r.EcrId.Assign("E");
    r.PaymentType.Assign("P");
    r.TerminalId.Assign("T");
    r.ContractText.Assign("C");
    r.PreauthorizationCode.Assign("K");
    r.STAN.Assign("S");
    const auto packed = Pack(r);
    const std::pair<std::size_t, char> expected[] = {{0, 'A'},  {9, 'E'},   {18, 'P'}, {20, 'T'},
                                                     {29, 'C'}, {158, 'K'}, {168, 'S'}};
    for (const auto& [offset, marker] : expected) {
        EXPECT_EQ(packed[offset], marker) << offset;
    }
    for (std::size_t i = 175; i < POSRequest::kSize; ++i) {
        EXPECT_EQ(packed[i], '\0') << "reserved byte " << i;
    }
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

TEST(RecordsTest, LinkRecordsPackAtTheirOffsets) {
    EthParams eth;
    eth.IPAddress.Assign("127.0.0.1");
    eth.Port.Assign("9100");
    EXPECT_EQ(std::string(Pack(eth).data(), EthParams::kSize), "127.0.0.1       9100  ");
    ComParams com;
    com.ComPort.Assign("COM3");
    com.BaudRate.Assign("4");
    com.DataBits.Assign("1");
    com.Parity.Assign("0");
    com.StopBits.Assign("0");
    EXPECT_EQ(std::string(Pack(com).data(), ComParams::kSize), "COM3  4 1 0 0 ");
}

TEST(ResultCodesTest, EveryCodeHasItsTextAndOthersNone) {
    EXPECT_EQ(ResultText(0, true), "OK");
    EXPECT_EQ(ResultText(1, true), "ETH ERROR");
    EXPECT_EQ(ResultText(1, false), "COM ERROR");
    EXPECT_EQ(ResultText(2, false), "PROTOCOL ERROR");
    EXPECT_EQ(ResultText(3, true), "TIMEOUT ERROR");
    EXPECT_EQ(ResultText(4, true), "FUNCTION ERROR");
    EXPECT_EQ(ResultText(100, true), "PASSWORD ERROR");
    EXPECT_FALSE(ResultText(5, true));
    EXPECT_FALSE(ResultText(-1, true));
}

}  // namespace
}  // namespace varnix::iae17
