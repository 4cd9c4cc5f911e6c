#include "platform/BinaryImage.h"

#include <gtest/gtest.h>

namespace varnix::platform {
namespace {

// A PE header: "MZ", e_lfanew at 0x3C pointing at 0x40, "PE\0\0", then the machine field.
std::string Pe(unsigned machine) {
    std::string bytes(0x48, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x40;
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    bytes[0x44] = static_cast<char>(machine & 0xFF);
    bytes[0x45] = static_cast<char>(machine >> 8);
    return bytes;
}

std::string Elf(char elfClass) {
    return std::string(
               "\x7F"
               "ELF") +
           elfClass + std::string(11, '\0');
}

TEST(BinaryImageTest, TellsThirtyTwoFromSixtyFourBits) {
    std::string farPe = Pe(0x14C);
    farPe[0x3C] = 0x7F;  // e_lfanew past the end of what was read
    const std::pair<std::string, ImageBits> cases[] = {
        {Pe(0x14C), ImageBits::Bits32},
        {Pe(0x8664), ImageBits::Bits64},
        {Pe(0xAA64), ImageBits::Bits64},
        {Pe(0x1C0), ImageBits::Unknown},
        {Elf(1), ImageBits::Bits32},
        {Elf(2), ImageBits::Bits64},
        {Elf(3), ImageBits::Unknown},
        {farPe, ImageBits::Unknown},
        {Pe(0x14C).substr(0, 0x30), ImageBits::Unknown},
        {"MZ" + std::string(0x50, 'x'), ImageBits::Unknown},
        {"", ImageBits::Unknown},
        {"\x7F"
         "EL",
         ImageBits::Unknown},
    };
    for (const auto& [header, bits] : cases) {
        EXPECT_EQ(BitsOfImage(header), bits) << header.size();
    }
}

TEST(BinaryImageTest, OnlyTheOtherBitnessIsAMismatch) {
    const ImageBits other =
        kProcessBits == ImageBits::Bits64 ? ImageBits::Bits32 : ImageBits::Bits64;
    const std::string expected = kProcessBits == ImageBits::Bits64
                                     ? "Iae17.dll \xE8 a 32 bit: serve la versione a 64 bit"
                                     : "Iae17.dll \xE8 a 64 bit: serve la versione a 32 bit";
    EXPECT_EQ(BitnessMismatch("Iae17.dll", other), expected);
    EXPECT_EQ(BitnessMismatch("Iae17.dll", kProcessBits), "");
    EXPECT_EQ(BitnessMismatch("Iae17.dll", ImageBits::Unknown), "");
}

}  // namespace
}  // namespace varnix::platform
