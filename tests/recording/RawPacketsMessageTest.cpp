// The raw channel's messages: ours decode to the bytes they carry, those of other writers (either
// byte order, with dimensions) too, and nothing that is cut short or not CDR passes.
#include <gtest/gtest.h>

#include <vector>

#include "recording/RawPacketsMessage.h"

namespace {

TEST(RawPacketsMessage, DecodesWhatIsEncodedAndWhatOtherWritersSendAndRefusesTheRest)
{
    const std::vector<uint8_t> packets = {0xAA, 0x55, 0x01, 0x02, 0x03};
    std::vector<uint8_t> ours;
    EncodeRawPackets(packets, ours);
    // Big-endian, one dimension labelled "x" (length 2 with its NUL, padded to 4): what another
    // ROS 2 program may write.
    const std::vector<uint8_t> bigEndianWithDimension = {
        0x00, 0x00, 0x00, 0x00,  0, 0, 0, 1,  0, 0, 0, 2, 'x', 0, 0, 0,  0, 0, 0, 5,  0, 0, 0, 1,
        0, 0, 0, 0,  0, 0, 0, 5,  0xAA, 0x55, 0x01, 0x02, 0x03};
    const std::vector<uint8_t> cut(ours.begin(), ours.end() - 1);
    std::vector<uint8_t> notCdr = ours;
    notCdr[1] = 0x02;  // parameter-list CDR: not a plain message
    const std::vector<uint8_t> hugeDimensionCount = {0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};

    const struct {
        const char* name;
        std::vector<uint8_t> message;
        bool decodes;
    } cases[] = {
        {"ours", ours, true},
        {"big-endian with a dimension", bigEndianWithDimension, true},
        {"cut by one byte", cut, false},
        {"not plain CDR", notCdr, false},
        {"dimensions beyond the message", hugeDimensionCount, false},
        {"header alone", {0x00, 0x01, 0x00, 0x00}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::span<const uint8_t> bytes;
        ASSERT_EQ(DecodeRawPackets(c.message, bytes), c.decodes);
        if (c.decodes) {
            EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), packets);
        }
    }
}

}  // namespace
