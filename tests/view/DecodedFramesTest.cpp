// Reading decode's point lists for plotwell-render: which frames count as complete, and which
// input is refused.
#include <gtest/gtest.h>

#include <sstream>

#include "view/render/DecodedFrames.h"

namespace {

const std::string HEADER = "frame,index,angle,distance\n";

}  // namespace

TEST(DecodedFramesTest, KeepsTheLastCompleteFrames)
{
    const struct {
        const char* what;
        std::string text;
        size_t keep;
        std::vector<long> numbers;  // frames kept, oldest first
        size_t lastSize;
    } cases[] = {
        {"two frames, keep one", HEADER + "0,0,1.5000,100\n0,1,2.5000,200\n1,0,3.0000,300\n", 1, {1}, 1},
        {"two frames, keep three", HEADER + "0,0,1.5000,100\n0,1,2.5000,200\n1,0,3.0000,300\n", 3, {0, 1}, 1},
        {"last line cut off", HEADER + "0,0,1.5000,100\n0,1,2.5000,200\n1,0,3.0000,300\n1,1,4.0", 1, {0}, 2},
        {"a gap in the indices", HEADER + "0,0,1.0000,100\n1,0,1.0000,100\n1,2,2.0000,200\n", 5, {0}, 1},
        {"Windows line ends", "frame,index,angle,distance\n0,0,359.9900,-32768\r\n", 1, {0}, 1},
        {"header only", HEADER, 1, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.text);
        std::deque<DecodedFrame> frames;
        std::string error;
        ASSERT_TRUE(ReadDecodedFrames(in, c.keep, frames, error)) << error;
        std::vector<long> numbers;
        for (const DecodedFrame& frame : frames)
            numbers.push_back(frame.number);
        EXPECT_EQ(numbers, c.numbers);
        if (!frames.empty()) {
            EXPECT_EQ(frames.back().points.size(), c.lastSize);
        }
    }
}

TEST(DecodedFramesTest, PointsArriveInTheList)
{
    std::istringstream in(HEADER + "4,0,12.3456,1500\n4,1,359.0000,0\n4,2,180.5000,-2\n");
    std::deque<DecodedFrame> frames;
    std::string error;
    ASSERT_TRUE(ReadDecodedFrames(in, 1, frames, error));
    static PointList list;
    list.count = 99;
    CopyToPointList(frames.back(), list);
    ASSERT_EQ(list.count, 3);
    EXPECT_FLOAT_EQ(list.angle[0], 12.3456f);
    EXPECT_EQ(list.distance[0], 1500);
    EXPECT_EQ(list.distance[1], 0);
    EXPECT_FLOAT_EQ(list.angle[2], 180.5f);
    EXPECT_EQ(list.distance[2], -2);
}

TEST(DecodedFramesTest, RefusesWhatIsNotADecodedList)
{
    std::string tooLong = HEADER;
    for (int i = 0; i <= SCAN_CAPACITY; ++i)
        tooLong += "0," + std::to_string(i) + ",1.0000,100\n";
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"angle,distance\n1.0,100\n", "line 1"},
        {HEADER + "0,0,1.0000\n", "line 2"},
        {HEADER + "0,0,1.0000,100,7\n", "line 2"},
        {HEADER + "0,0,abc,100\n", "line 2"},
        {HEADER + "0,0,1.0000,100\n0,1,1.0000,40000\n", "line 3: distance 40000"},
        {tooLong, "more than 16000 points"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::deque<DecodedFrame> frames;
        std::string error;
        EXPECT_FALSE(ReadDecodedFrames(in, 1, frames, error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}
