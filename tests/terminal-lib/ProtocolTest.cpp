#include "terminal-lib/protocol/Protocol.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnix::proto {
namespace {

TEST(ProtocolTest, FramesRoundTripAndStaySevenBitClean) {
    Request request;
    request.function = 5;
    request.request.fill('\xE8');
    const std::string wire = EncodeFrame({kRequest, 0xA1B2C3D4, EncodeRequest(request)});
    EXPECT_TRUE(std::ranges::all_of(wire, [](char c) { return (c & 0x80) == 0; }));
    Frame received;
    std::size_t consumed = 0;
    ASSERT_EQ(DecodeFrame(wire + "next", received, consumed), DecodeStatus::Complete);
    EXPECT_EQ(consumed, wire.size());
    EXPECT_EQ(received.seq, 0xA1B2C3D4U);
    const auto decoded = DecodeRequest(received.payload);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->function, 5);
    EXPECT_EQ(decoded->request, request.request);
    for (const int result : {0, 100, -1}) {
        Answer answer{static_cast<std::int16_t>(result), {}};
        answer.data.fill('x');
        const auto back = DecodeAnswer(EncodeAnswer(answer));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->result, result);
        EXPECT_EQ(back->data, answer.data);
    }
}

TEST(ProtocolTest, EveryPrefixNeedsMoreAndEveryCorruptionIsRefused) {
    const std::string wire = EncodeFrame({kAnswer, 7, std::string(40, '\x01')});
    Frame frame;
    std::size_t consumed = 0;
    for (std::size_t i = 0; i < wire.size(); ++i) {
        EXPECT_EQ(DecodeFrame(wire.substr(0, i), frame, consumed), DecodeStatus::NeedMore) << i;
        std::string bad = wire;
        bad[i] = static_cast<char>(bad[i] ^ 0x40);
        EXPECT_NE(DecodeFrame(bad, frame, consumed), DecodeStatus::Complete) << i;
    }
    EXPECT_EQ(DecodeFrame("\x02VX1 A 00000000 FFFFFFFF ", frame, consumed),
              DecodeStatus::Malformed);  // longer than any frame may be
    EXPECT_FALSE(DecodeRequest(std::string(10, '\0')));
    EXPECT_FALSE(DecodeRequest(std::string(1 + 219 + 4267, '\0')));  // function 0
    EXPECT_FALSE(DecodeAnswer(""));
}

}  // namespace
}  // namespace varnix::proto
