// The pieces that keep a command from running twice: the streamed line reader, the command file
// read once under its identity, and the intent journal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "exchange/CommandFile.h"
#include "exchange/IntentJournal.h"
#include "fakes/TestEnv.h"
#include "text/AnsiText.h"
#include "text/LineSplitter.h"

namespace varnix::exchange {
namespace {

using testing::Join;

std::vector<std::string> Lines(CommandFile& file, bool* whole = nullptr) {
    std::vector<std::string> lines;
    const bool read = file.ForEachLine([&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    if (whole != nullptr) {
        *whole = read;
    }
    return lines;
}

TEST(LineSplitterTest, AnyCutOfTheStreamGivesTheWholeFilesLinesAndLongLinesAreCut) {
    for (const std::string bytes : {"A\r\nB\rC\nD", "\r\n\r\nX\r\r\n", "", "ONE", "A\r"}) {
        const auto whole = text::SplitLines(bytes);
        for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
            text::LineSplitter splitter(100);
            std::vector<std::string> lines;
            const auto add = [&](std::string_view line) { lines.emplace_back(line); };
            splitter.Feed(std::string_view(bytes).substr(0, cut), add);
            splitter.Feed(std::string_view(bytes).substr(cut), add);
            splitter.Finish(add);
            EXPECT_EQ(lines, whole) << Join(whole) << " cut at " << cut;
        }
    }
    text::LineSplitter splitter(3);
    std::vector<std::string> lines;
    const auto add = [&](std::string_view line) { lines.emplace_back(line); };
    splitter.Feed("ABCDEFG\r\nXY\r\nLONGEST", add);
    splitter.Finish(add);
    EXPECT_EQ(lines, (std::vector<std::string>{"ABC", "XY", "LON"}));
}

TEST(CommandFileTest, LinesComeFromTheBytesIdentifiedAndAChangeStopsThem) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string path = dir / "SRINPF.TXT";
    const std::string bytes = "POS_STATUS\r\nPOS_TOTTER\r\n; nota\r\nPOS_PAGAME,A1";
    testing::WriteFile(path, bytes);
    // Many pieces, two (the second short, or of one byte), exactly one, one with room to spare.
    for (const std::size_t piece : {std::size_t{4}, std::size_t{7}, std::size_t{23},
                                    std::size_t{44}, std::size_t{45}, CommandFile::kPieceSize}) {
        CommandFile file(platform, path, piece);
        ASSERT_EQ(file.Status(), CommandFile::State::Open);
        EXPECT_EQ(Join({std::to_string(file.Identity().hash == HashBytes(bytes)),
                        std::to_string(file.Identity().size), Join(Lines(file))}),
                  "1|45|POS_STATUS|POS_TOTTER|; nota|POS_PAGAME,A1")
            << "pieces of " << piece;
        EXPECT_TRUE(CommandFile::StillHas(platform, path, file.Identity(), piece));
    }
    // Rewritten in place between the identity and the lines: the lines stop at the change.
    CommandFile file(platform, path, 12);
    testing::WriteFile(path, "POS_STATUS\r\nPOS_CHCASS\r\n; nota\r\nPOS_PAGAME,A1");
    bool whole = true;
    EXPECT_EQ(Join(Lines(file, &whole)), "POS_STATUS");
    EXPECT_FALSE(whole);
    EXPECT_FALSE(CommandFile::StillHas(platform, path, file.Identity()));

    // Rewritten with as many bytes within the clock's grain (its time put back): the bytes tell.
    testing::WriteFile(path, bytes);
    const CommandFile ran(platform, path);
    const auto time = std::filesystem::last_write_time(path);
    testing::WriteFile(path, "POS_STATUS\r\nPOS_CHCASS\r\n; nota\r\nPOS_PAGAME,A1");
    std::filesystem::last_write_time(path, time);
    EXPECT_FALSE(CommandFile::StillHas(platform, path, ran.Identity()));

    EXPECT_EQ(CommandFile(platform, dir / "none").Status(), CommandFile::State::Missing);
    EXPECT_EQ(CommandFile(platform, dir.path()).Status(), CommandFile::State::Missing);
}

TEST(CommandFileTest, AnOverlongLineIsCutAndTheFileEndIsFound) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string path = dir / "SRINPF.TXT";
    testing::WriteFile(path, "POS_PAGEXT,A" + std::string(3U << 20U, '7') + "\r\nPOS_STATUS");
    CommandFile file(platform, path);
    const auto lines = Lines(file);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(Join({std::to_string(lines[0].size()), lines[1]}),
              std::to_string(CommandFile::kMaxLineLength) + "|POS_STATUS");
    EXPECT_FALSE(CommandFile::EndsWithLineEnd(platform, path, file.Identity().size));
    testing::WriteFile(path, "POS_STATUS\r\n");
    EXPECT_TRUE(CommandFile::EndsWithLineEnd(platform, path, 12));
}

TEST(IntentJournalTest, EntriesSurviveTheirTextAndADamagedLineCostsOnlyItself) {
    const FileIdentity first{1, 12};
    const FileIdentity second{2, 13};
    const std::vector<IntentJournal::Entry> entries = {
        {IntentJournal::Mark::Running, first, 3, "POS_PAGEXT,A1\tX\\Y"},
        {IntentJournal::Mark::Done, second, 0, ""}};
    const std::string text = IntentJournal::Format("C:\\io\tSRINPF.TXT", entries);
    const auto back = IntentJournal::Parse(text);
    ASSERT_EQ(back.size(), 2U);
    EXPECT_EQ(Join({back[0].line, std::to_string(back[0].lineIndex), back[1].identity.ToText()}),
              "POS_PAGEXT,A1\tX\\Y|3|2 13");
    EXPECT_TRUE(back[0].mark == IntentJournal::Mark::Running && back[0].identity == first);

    // One byte changed in the first entry, the second torn off midway, or no header at all.
    std::string damaged = text;
    damaged[damaged.find("A1")] = 'B';
    std::size_t untrusted = 0;
    EXPECT_EQ(IntentJournal::Parse(damaged, &untrusted).size(), 1U);
    EXPECT_EQ(untrusted, 1U);
    IntentJournal::Parse("no header\r\nDONE\r\n", &untrusted);
    EXPECT_EQ(untrusted, 2U);
    IntentJournal::Parse(text + "\r\n", &untrusted);  // a blank line is no damage
    EXPECT_EQ(untrusted, 0U);
    EXPECT_EQ(IntentJournal::Parse(text.substr(0, text.size() - 9)).size(), 1U);
    EXPECT_TRUE(IntentJournal::Parse(text.substr(text.find('\n') + 1)).empty());
    EXPECT_FALSE(FileIdentity::FromText("1") || FileIdentity::FromText("1 2 3"));
    // Written by hand: a field ending in a lone backslash keeps it; a line index that is no
    // number makes the entry damaged.
    for (const auto& [index, kept] : {std::pair{"0", 1U}, {"x", 0U}, {"-1", 0U}}) {
        const std::string body = std::string("DONE\t1 2\t") + index + "\tX\\";
        const auto odd = IntentJournal::Parse("VARNIXPOS-JOURNAL 2\t/io\r\n" + body + "\t" +
                                              std::to_string(HashBytes(body)));
        ASSERT_EQ(odd.size(), kept) << index;
        if (kept == 1U) {
            EXPECT_EQ(odd[0].line, "X\\");
        }
    }
}

TEST(IntentJournalTest, OnlyTheBytesOnTheDiskStayAndARunningOneIsHandedOutOnce) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string command = dir / "SRINPF.TXT";
    const std::string at = dir / "JournalVnxPos-x.TXT";
    testing::WriteFile(command, "POS_TOTTER\r\n");
    const FileIdentity identity = CommandFile(platform, command).Identity();
    {
        IntentJournal nowhere(platform);
        nowhere.Open("", command);
        EXPECT_FALSE(nowhere.Begin(identity, 0, "X"));  // no file to keep it in: not to be sent
        EXPECT_EQ(nowhere.Find(identity), IntentJournal::Mark::Done);  // nor offered again
    }
    {
        IntentJournal journal(platform);
        journal.Open(at, command);
        ASSERT_TRUE(journal.Begin(identity, 0, "POS_TOTTER"));
    }  // the process ends while it runs
    IntentJournal journal(platform);
    journal.Open(at, command);
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::Running);
    const auto interrupted = journal.Interrupted();
    ASSERT_EQ(interrupted.size(), 1U);
    journal.Resolve(identity, false);
    EXPECT_EQ(Join({interrupted[0].line, std::to_string(journal.Interrupted().size()),
                    std::to_string(journal.Find(identity) == IntentJournal::Mark::None)}),
              "POS_TOTTER|0|1");
    EXPECT_FALSE(platform.FileExists(at));  // nothing left in it: gone

    ASSERT_TRUE(journal.Begin(identity, 0, "POS_TOTTER") && journal.Finish(identity));
    journal.ForgetAllBut(&identity);
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::Done);  // still there, still done
    const FileIdentity other{identity.hash + 1, identity.size};
    journal.ForgetAllBut(&other);  // the file holds other bytes now
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::None);
    ASSERT_TRUE(journal.Begin(identity, 0, "POS_TOTTER"));
    journal.ForgetAllBut(nullptr);  // the file has gone
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::None);
    EXPECT_FALSE(platform.FileExists(at));
}

}  // namespace
}  // namespace varnix::exchange
