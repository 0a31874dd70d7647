// The receive thread end to end: simulated scanner bytes into a pseudo-terminal, frames out of
// the callback; stopping and device loss.
#include <gtest/gtest.h>
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"

namespace {

using namespace std::chrono_literals;

constexpr auto TIMEOUT = 5s;

struct ReceivedFrame {
    int32_t receivedAtCallback;
    std::vector<int16_t> distances;
};

// The UI side of the hand-over: records each point list and can hold the receive thread inside
// the callback the way a synchronous send does.
struct FrameSink {
    CSerialPort* port = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ReceivedFrame> frames;
    bool holdInCallback = false;
    bool insideCallback = false;
    bool filterFromSecondFrame = false;
    int losses = 0;
    size_t framesAtLoss = 0;

    static int OnFrame(void* context)
    {
        auto* sink = static_cast<FrameSink*>(context);
        std::unique_lock<std::mutex> lock(sink->mutex);
        sink->frames.push_back({Load(g_nReceived), std::vector<int16_t>(g_PointList.distance,
                                                                        g_PointList.distance + g_PointList.count)});
        if (sink->filterFromSecondFrame)
            Store(g_bFilter, 1);  // the operator ticks Filter while the first frame is drawn
        sink->insideCallback = true;
        sink->changed.notify_all();
        // The guarantee the callback gives: it returns at once once a stop is asked.
        while (sink->holdInCallback && !sink->port->bStop.load())
            sink->changed.wait_for(lock, 1ms);
        sink->insideCallback = false;
        return 0;
    }

    static void OnLoss(void* context)
    {
        auto* sink = static_cast<FrameSink*>(context);
        std::lock_guard<std::mutex> lock(sink->mutex);
        ++sink->losses;
        sink->framesAtLoss = sink->frames.size();
        sink->changed.notify_all();
    }

    template <typename Predicate>
    bool WaitUntil(Predicate done)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, TIMEOUT, done);
    }
};

// CPU time the receive thread has used so far.
std::chrono::nanoseconds ThreadCpuTime(std::thread& thread)
{
    clockid_t clock;
    timespec used {};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &used) != 0)
        return std::chrono::nanoseconds::max();
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

class ReceiveLoopTest : public testing::Test {
protected:
    // Protocol 1; without compensation the point list is the frame itself.
    static RunSettings Settings(bool filter)
    {
        RunSettings settings = ModelRunSettings(g_ModelTR20_A);
        settings.processing.filter = filter;
        settings.processing.compensation.mode = 0;
        return settings;
    }

    void SetUp() override
    {
        StartRun(Settings(false));
        ASSERT_TRUE(pty.IsValid());
        port.systemPaths.lockDirs = {scratch.Path()};
        sink.port = &port;
        port.SetCallback(&FrameSink::OnFrame, &sink);
        port.SetLossCallback(&FrameSink::OnLoss, &sink);
        std::string reason;
        ASSERT_TRUE(port.Open(pty.DevicePath(), 115200, &reason)) << reason;
    }

    void TearDown() override
    {
        port.EndReceiving();
        StartRun(Settings(false));
    }

    // Sends `count` revolutions and keeps their bytes.
    void SendRevolutions(int count)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(pty.SendRevolution(scanner));
            sent.insert(sent.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
            sampleCounts.push_back(scanner.SampleCount());
        }
    }

    // The distances the sent bytes give, decoded on this thread from memory.
    std::vector<std::vector<int16_t>> DecodeSentBytes(int frames, bool filtered)
    {
        StartRun(Settings(filtered));
        CSerialPort reader;
        MemoryByteSource source(sent.data(), static_cast<int64_t>(sent.size()), 64);
        reader.AttachSource(&source);
        std::vector<std::vector<int16_t>> decoded;
        for (int i = 0; i < frames && ParseNextFrame(reader) == ParseResult::Frame; ++i) {
            ProcessFrame(CurrentProcessingSettings());
            decoded.emplace_back(g_PointList.distance, g_PointList.distance + g_PointList.count);
        }
        return decoded;
    }

    PseudoTerminal pty;
    ScratchDirectory scratch;
    FrameSink sink;
    CSerialPort port;  // after the sink: destroyed first, ending the thread that calls into it
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<uint8_t> sent;
    std::vector<int32_t> sampleCounts;
};

TEST_F(ReceiveLoopTest, RevolutionsOnTheLineReachTheCallbackAndTheFilterSwitchTakesEffectAtTheNextFrame)
{
    sink.filterFromSecondFrame = true;
    ASSERT_TRUE(port.StartReceiving());
    for (int i = 0; i < 500 && Load(g_nReceived) != 720; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(Load(g_nReceived), 720) << "before the first frame";

    // A protocol-1 revolution completes once bytes of the next one follow its zero packet.
    SendRevolutions(4);
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.frames.size() >= 3; })) << sink.frames.size() << " frames";
    port.EndReceiving();

    const auto raw = DecodeSentBytes(3, false);
    const auto filtered = DecodeSentBytes(3, true);
    ASSERT_EQ(raw.size(), 3u);
    ASSERT_NE(raw[1], filtered[1]) << "the stream gives the filter nothing to do";
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const ReceivedFrame& frame = sink.frames[i];
        EXPECT_EQ(static_cast<int32_t>(frame.distances.size()), sampleCounts[i]);
        EXPECT_EQ(frame.receivedAtCallback, sampleCounts[i]);
        EXPECT_EQ(frame.distances, i == 0 ? raw[i] : filtered[i]);
    }
}

TEST_F(ReceiveLoopTest, StopWhileTheCallbackIsHeldEndsTheThreadAndNoFrameFollows)
{
    sink.holdInCallback = true;
    ASSERT_TRUE(port.StartReceiving());
    SendRevolutions(3);
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.insideCallback; }));

    auto stopped = std::async(std::launch::async, [&] { port.EndReceiving(); });
    ASSERT_EQ(stopped.wait_for(TIMEOUT), std::future_status::ready) << "stopping deadlocked";
    EXPECT_FALSE(port.hThread.joinable());

    const size_t framesAtStop = sink.frames.size();
    SendRevolutions(3);
    std::this_thread::sleep_for(100ms);
    std::lock_guard<std::mutex> lock(sink.mutex);
    EXPECT_EQ(sink.frames.size(), framesAtStop);
}

// Bytes from memory; asks the port to stop in the read that passes `stopAfter` bytes, as CLOSE
// would while the parser is still taking in a revolution.
class StoppingSource : public MemoryByteSource {
public:
    StoppingSource(const std::vector<uint8_t>& bytes, int64_t stopAfter, CSerialPort& port)
        : MemoryByteSource(bytes.data(), static_cast<int64_t>(bytes.size()), 64), m_stopAfter(stopAfter), m_port(port)
    {
    }

    int32_t Read(uint8_t* buffer, int32_t length) override
    {
        const int32_t n = MemoryByteSource::Read(buffer, length);
        if (Position() >= m_stopAfter)
            m_port.bStop.store(1);
        return n;
    }

private:
    int64_t m_stopAfter;
    CSerialPort& m_port;
};

TEST_F(ReceiveLoopTest, ARevolutionCompletedAfterAStopReachesNeitherThePointListNorTheView)
{
    int64_t firstRevolution = 0;
    for (int i = 0; i < 2; ++i) {
        scanner.NextRevolution();
        sent.insert(sent.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
        firstRevolution = firstRevolution == 0 ? scanner.ByteCount() : firstRevolution;
    }
    // The first revolution completes with some read of the second's first bytes: a stop in
    // each read around there in turn. A revolution completed before the stop is drawn; one
    // completed after it is neither drawn nor left in the point list for a later redraw.
    int drawn = 0;
    for (int64_t stopAfter = firstRevolution - 256; stopAfter < firstRevolution + 256; ++stopAfter) {
        StartRun(Settings(false));
        CSerialPort reader;
        StoppingSource source(sent, stopAfter, reader);
        reader.AttachSource(&source);
        reader.SetCallback(&FrameSink::OnFrame, &sink);
        ReceiveLoop(&reader);
        const bool shown = !sink.frames.empty();
        ASSERT_EQ(g_PointList.count > 0, shown) << "a revolution completed after a stop at byte " << stopAfter;
        ASSERT_EQ(Load(g_nReceived) != 720, shown);
        drawn += shown;
        sink.frames.clear();
    }
    EXPECT_GT(drawn, 0) << "no stop came after the revolution's end";
    EXPECT_LT(drawn, 512) << "no stop came before the revolution's end";
}

TEST_F(ReceiveLoopTest, IdleLineAndHungUpLineLeaveTheThreadIdle)
{
    ASSERT_TRUE(port.StartReceiving());
    SendRevolutions(2);
    ASSERT_TRUE(sink.WaitUntil([&] { return !sink.frames.empty(); }));

    // Sanity bounds, not timings: a thread that spins uses the whole window.
    const auto window = 500ms;
    const auto idleStart = ThreadCpuTime(port.hThread);
    std::this_thread::sleep_for(window);
    EXPECT_LT(ThreadCpuTime(port.hThread) - idleStart, window / 2) << "idle open port";

    pty.HangUp();
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.losses > 0; })) << "the loss was not reported";
    const auto lostStart = ThreadCpuTime(port.hThread);
    std::this_thread::sleep_for(window);
    EXPECT_LT(ThreadCpuTime(port.hThread) - lostStart, window / 2) << "after the hang-up";

    std::lock_guard<std::mutex> lock(sink.mutex);
    EXPECT_EQ(sink.losses, 1);
    EXPECT_EQ(sink.frames.size(), sink.framesAtLoss) << "a frame after the loss";
    EXPECT_TRUE(port.LineLost());
}

}  // namespace
