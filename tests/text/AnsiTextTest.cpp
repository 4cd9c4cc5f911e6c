#include "text/AnsiText.h"

#include <gtest/gtest.h>

#include <optional>

namespace varnix::text {
namespace {

struct NumberCase {
    const char* input;
    std::optional<double> expected;
};

class ParseNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumberTest, ReadsWhatAUserWouldCallANumber) {
    const auto& c = GetParam();
    EXPECT_EQ(ParseNumber(c.input), c.expected) << '"' << c.input << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseNumberTest,
    ::testing::Values(NumberCase{"8080", 8080}, NumberCase{"  42  ", 42}, NumberCase{"-1", -1},
                      NumberCase{"+7", 7}, NumberCase{"2.5", 2.5}, NumberCase{".5", 0.5},
                      NumberCase{"1e3", 1000}, NumberCase{"1E-1", 0.1}, NumberCase{"&HFF", 255},
                      NumberCase{"&o17", 15}, NumberCase{"", std::nullopt},
                      NumberCase{"   ", std::nullopt}, NumberCase{"abc", std::nullopt},
                      NumberCase{"12ab", std::nullopt}, NumberCase{"1.2.3", std::nullopt},
                      NumberCase{"1e", std::nullopt}, NumberCase{"-", std::nullopt},
                      NumberCase{"\t5", std::nullopt}, NumberCase{"1 2", std::nullopt},
                      NumberCase{"&H", std::nullopt}, NumberCase{"1e99999", std::nullopt}));

TEST(LeadingNumberTest, TakesLeadingDigitsAndSkipsBlanks) {
    EXPECT_EQ(LeadingNumber("12ab"), 12);
    EXPECT_EQ(LeadingNumber("  7 5"), 75);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("      "), 0);
    EXPECT_EQ(LeadingNumber("-3x"), -3);
    EXPECT_EQ(LeadingNumber("10.5s"), 10.5);
}

TEST(RoundHalfEvenTest, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(7.6), 8);
    EXPECT_EQ(RoundHalfEven(1e20), std::numeric_limits<int>::max());
}

TEST(SplitLinesTest, AcceptsEveryLineEndAndAnUnendedLastLine) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\nb"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\rb\r\n\r\nc"), (V{"a", "b", "", "c"}));
    EXPECT_EQ(SplitLines(""), V{});
    EXPECT_EQ(SplitLines("\r\n"), V{""});
}

TEST(AnsiTextTest, UpperCasesTheAnsiCodePage) {
    EXPECT_EQ(ToUpper("pos_pagame,a2"), "POS_PAGAME,A2");
    EXPECT_EQ(ToUpper("\xE0\xE8\xF7\xFF\x9C"), "\xC0\xC8\xF7\x9F\x8C");  // àè÷ÿœ
}

TEST(AnsiTextTest, TrimsBlanksButNotTabs) {
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(TrimBlanks("    "), "");
}

TEST(AnsiTextTest, SplitKeepsEmptyFields) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("IPAD:", ':'), (V{"IPAD", ""}));
    EXPECT_EQ(Split(",T,E", ','), (V{"", "T", "E"}));
    EXPECT_EQ(Split("", ','), V{""});
}

}  // namespace
}  // namespace varnix::text
