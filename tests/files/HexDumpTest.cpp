#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/HexDump.h"

namespace {

TEST(HexDumpTest, DecodesCompleteCellsAndIgnoresAShortTail)
{
    struct Case {
        std::string text;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"AA 55 01 01 ", {0xAA, 0x55, 0x01, 0x01}},
        {"AA 55 01 01", {0xAA, 0x55, 0x01}},
        {"aa 5f 0c ", {0xAA, 0x5F, 0x0C}},
        {"", {}},
        {"A", {}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.text.size() / 3 + 1);
        int64_t bad = -2;
        EXPECT_EQ(DecodeHexDump(c.text.data(), static_cast<int64_t>(c.text.size()), out.data(), &bad),
                  static_cast<int64_t>(c.bytes.size()))
            << c.text;
        out.resize(c.bytes.size());
        EXPECT_EQ(out, c.bytes) << c.text;
    }
}

TEST(HexDumpTest, NamesTheFirstCharacterThatBreaksThePattern)
{
    struct Case {
        std::string text;
        int64_t position;
    };
    const Case cases[] = {{"AA\n55 ", 2}, {"AA 5G ", 4}, {"G0 ", 0}, {"AA  55 ", 3}, {"AA 55-", 5}};
    for (const Case& c : cases) {
        uint8_t out[8];
        int64_t bad = -2;
        EXPECT_EQ(DecodeHexDump(c.text.data(), static_cast<int64_t>(c.text.size()), out, &bad), -1)
            << c.text;
        EXPECT_EQ(bad, c.position) << c.text;
    }
}

TEST(HexDumpTest, EncodedBytesDecodeToThemselves)
{
    std::string text(256 * 3, '?');
    for (int v = 0; v < 256; ++v)
        EncodeHexByte(static_cast<uint8_t>(v), &text[3 * v]);
    EXPECT_EQ(text.substr(0, 9), "00 01 02 ");
    EXPECT_EQ(text.substr(255 * 3), "FF ");
    uint8_t out[256];
    ASSERT_EQ(DecodeHexDump(text.data(), static_cast<int64_t>(text.size()), out, nullptr), 256);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(out[v], v);
}

}  // namespace
