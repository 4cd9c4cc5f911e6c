// The pieces that keep a command from running twice: the streamed line reader, the command file
// read once under its identity, the intent journal's text, and the command file's lock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "exchange/CommandFile.h"
#include "exchange/InputLock.h"
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
    const FileIdentity first{1, 12, -5, 77, 3};
    const FileIdentity second{2, 13, 6, 78, 3};
    const std::vector<IntentJournal::Entry> entries = {
        {IntentJournal::Mark::Running, first, "C:\\io\\SRINPF.TXT", "POS_PAGEXT,A1\tX\\Y"},
        {IntentJournal::Mark::Done, second, "/io/SRINPF.TXT", ""}};
    const std::string text = IntentJournal::Format(entries);
    const auto back = IntentJournal::Parse(text);
    ASSERT_EQ(back.size(), 2U);
    EXPECT_EQ(Join({back[0].path, back[0].line, back[1].path, back[1].identity.ToText()}),
              "C:\\io\\SRINPF.TXT|POS_PAGEXT,A1\tX\\Y|/io/SRINPF.TXT|2 13 6 78 3");
    EXPECT_TRUE(back[0].mark == IntentJournal::Mark::Running && back[0].identity == first);

    // One byte changed in the first entry, the second torn off midway, or no header at all.
    std::string damaged = text;
    damaged[damaged.find("A1")] = 'B';
    EXPECT_EQ(IntentJournal::Parse(damaged).size(), 1U);
    EXPECT_EQ(IntentJournal::Parse(text.substr(0, text.size() - 9)).size(), 1U);
    EXPECT_TRUE(IntentJournal::Parse(text.substr(text.find('\n') + 1)).empty());
    EXPECT_FALSE(FileIdentity::FromText("1 2 3 4") || FileIdentity::FromText("1 2 3 4 5 6"));
    // Written by hand: a field ending in a lone backslash keeps it.
    const std::string body = "DONE\t1 2 3 4 5\t/io\\\tX";
    const auto odd = IntentJournal::Parse("VARNIXPOS-JOURNAL 1\r\n" + body + "\t" +
                                          std::to_string(HashBytes(body)));
    ASSERT_EQ(odd.size(), 1U);
    EXPECT_EQ(odd[0].path, "/io\\");
}

TEST(IntentJournalTest, AFileIsForgottenOnceGoneAndARunningOneIsHandedOutOnce) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string command = dir / "SRINPF.TXT";
    testing::WriteFile(command, "POS_TOTTER\r\n");
    const FileIdentity identity = CommandFile(platform, command).Identity();
    EXPECT_FALSE(IntentJournal(platform).Begin(command, identity, "X"));  // no file to keep it in
    {
        IntentJournal journal(platform);
        journal.Open(dir / "JournalVnxPos.TXT");
        ASSERT_TRUE(journal.Begin(command, identity, "POS_TOTTER"));
    }  // the process ends while it runs
    IntentJournal journal(platform);
    journal.Open(dir / "JournalVnxPos.TXT");
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::Running);
    const auto interrupted = journal.Interrupted();
    ASSERT_EQ(interrupted.size(), 1U);
    journal.Resolve(identity, false);
    EXPECT_EQ(Join({interrupted[0].line, std::to_string(journal.Interrupted().size()),
                    std::to_string(journal.Find(identity) == IntentJournal::Mark::None)}),
              "POS_TOTTER|0|1");

    ASSERT_TRUE(journal.Begin(command, identity, "POS_TOTTER") && journal.Finish(identity));
    journal.ForgetGone();
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::Done);  // still there, still done
    platform.RemoveFile(command);
    journal.ForgetGone();
    EXPECT_EQ(journal.Find(identity), IntentJournal::Mark::None);
    EXPECT_EQ(testing::ReadFile(dir / "JournalVnxPos.TXT"), "VARNIXPOS-JOURNAL 1\r\n");
}

TEST(InputLockTest, OneHolderPerPathAndAMissingFolderIsTriedAgain) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string path = dir / "SRINPF.TXT";
    InputLock first(platform);
    InputLock second(platform);
    EXPECT_TRUE(first.Hold(path) && first.Hold(path));
    EXPECT_FALSE(second.Hold(path));
    EXPECT_TRUE(second.Hold(path + ".other") && second.Hold(""));
    first.Hold(path + ".other");  // moving on lets the first path go
    EXPECT_TRUE(second.Hold(path));
    EXPECT_TRUE(platform.FileExists(InputLock::LockPath(path)));

    // No folder, no lock to be had: unguarded now, and taken as soon as the folder is there.
    const std::string later = dir.InMissingFolder("SRINPF.TXT");
    EXPECT_TRUE(first.Hold(later));
    std::filesystem::create_directories(std::filesystem::path(later).parent_path());
    EXPECT_TRUE(second.Hold(later));
    EXPECT_FALSE(first.Hold(later));
}

}  // namespace
}  // namespace varnix::exchange
