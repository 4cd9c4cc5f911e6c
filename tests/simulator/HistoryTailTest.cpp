// The follower of VarnixPos's history after a power loss tore its last line: the next exchange
// comes whole, whether the follow began before the tear or after it.
#include <gtest/gtest.h>

#include "exchange/ExchangeHistory.h"
#include "fakes/TestEnv.h"
#include "simulator/HistoryTail.h"

namespace varnix::sim {
namespace {

TEST(HistoryTailTest, ATornLastLineDoesNotSwallowTheNextExchange) {
    const testing::TempDir folder;
    const std::string path = folder / "HistoryVnxPos.jsonl";
    auto& platform = platform::HostPlatform();
    exchange::HistoryEntry entry;
    entry.command = "POS_TOTTER";
    ASSERT_TRUE(exchange::ExchangeHistory::Append(platform, path, entry));
    HistoryTail before(path);
    platform.AppendToFile(path, R"({"command":"POS_PAGEXT,A1)");
    HistoryTail after(path);
    EXPECT_TRUE(before.ReadNew().empty());
    entry.command = "POS_CHCASS";
    ASSERT_TRUE(exchange::ExchangeHistory::Append(platform, path, entry));
    for (HistoryTail* tail : {&before, &after}) {
        const auto entries = tail->ReadNew();
        ASSERT_EQ(entries.size(), 1U);
        EXPECT_EQ(entries[0].command, "POS_CHCASS");
    }
}

}  // namespace
}  // namespace varnix::sim
