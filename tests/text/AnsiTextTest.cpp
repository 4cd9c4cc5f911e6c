#include "text/AnsiText.h"

#include <gtest/gtest.h>

#include <optional>

#include "fakes/TestEnv.h"

namespace varnix::text {
namespace {

TEST(ParseNumberTest, ReadsWhatAUserWouldCallANumber) {
    // Sixteen digits are the most &H takes; a digit beyond the radix spoils the number.
    constexpr std::nullopt_t kN = std::nullopt;
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"8080", 8080}, {"  42  ", 42}, {"-1", -1},    {"+7", 7},    {"2.5", 2.5}, {".5", 0.5},
        {"1e3", 1000},  {"1E-1", 0.1},  {"&HFF", 255}, {"&o17", 15}, {"&H10", 16}, {"&hA", 10},
        {"&O8", kN},    {"&HG", kN},    {"&X1", kN},   {"", kN},     {"   ", kN},  {"abc", kN},
        {"12ab", kN},   {"1.2.3", kN},  {"1e", kN},    {"-", kN},    {"\t5", kN},  {"1 2", kN},
        {"&H", kN},     {"1e99999", kN}};
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(ParseNumber(input), expected) << '"' << input << '"';
    }
    EXPECT_EQ(ParseNumber("&H1000000000000000"), 1152921504606846976.0);
    EXPECT_EQ(ParseNumber("&H10000000000000000"), std::nullopt);
}

TEST(AnsiTextTest, NumbersFromLooseText) {
    const std::pair<const char*, double> leading[] = {
        {"12ab", 12}, {"  7 5", 75}, {"abc", 0}, {"      ", 0}, {"-3x", -3}, {"10.5s", 10.5}};
    for (const auto& [input, number] : leading) {
        EXPECT_EQ(LeadingNumber(input), number) << input;
    }
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const std::pair<double, int> rounded[] = {{2.5, 2}, {3.5, 4},     {-0.5, 0},
                                              {7.6, 8}, {1e20, kMax}, {-1e20, kMin}};
    for (const auto& [value, whole] : rounded) {
        EXPECT_EQ(RoundHalfEven(value), whole) << value;
    }
}

TEST(AnsiTextTest, SplitsTrimsAndUpperCasesTheAnsiCodePage) {
    using V = std::vector<std::string>;
    // clang-format off
    EXPECT_EQ((std::vector{SplitLines("a\r\nb\r\n"), SplitLines("a\nb"), SplitLines("a\rb\r\n\r\nc"), SplitLines(""),
                           SplitLines("\r\n"), Split("IPAD:", ':'), Split(",T,E", ','), Split("", ',')}),
              (std::vector<V>{{"a", "b"}, {"a", "b"}, {"a", "b", "", "c"}, {}, {""}, {"IPAD", ""}, {"", "T", "E"}, {""}}));
    // clang-format on
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");  // tabs are no blanks
    EXPECT_EQ(TrimBlanks("    "), "");
    EXPECT_EQ(ToUpper("pos_pagame,a2"), "POS_PAGAME,A2");
    EXPECT_EQ(ToUpper("\xE0\xE8\xF7\xFF\x9C"), "\xC0\xC8\xF7\x9F\x8C");  // àè÷ÿœ
}

TEST(AnsiTextTest, ConvertsBetweenTheCodePageAndUtf8) {
    // clang-format off
    const std::pair<const char*, const char*> both[] = {
        {"a\x7F", "a\x7F"}, {"\x80", "\xE2\x82\xAC"}, {"\x9F", "\xC5\xB8"}, {"\xA0", "\xC2\xA0"}, {"\xFF", "\xC3\xBF"}};
    // clang-format on
    for (const auto& [ansi, utf8] : both) {
        EXPECT_EQ(testing::Join({Cp1252ToUtf8(ansi), Utf8ToCp1252(utf8)}),
                  testing::Join({utf8, ansi}));
    }
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");  // no character there: kept as its control
    // U+0080, U+0100, an emoji and a cut sequence have no place in the code page.
    EXPECT_EQ(Utf8ToCp1252("\xC2\x80\xC4\x80\xF0\x9F\x98\x80!\xC3"), std::string(3, '?') + "!?");
}

}  // namespace
}  // namespace varnix::text
