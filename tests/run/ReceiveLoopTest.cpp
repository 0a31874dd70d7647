// The receive thread end to end: simulated scanner bytes into a pseudo-terminal, revolutions out
// of the output stage; stopping and device loss.
#include <gtest/gtest.h>
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"

namespace {

using namespace std::chrono_literals;

constexpr auto TIMEOUT = 5s;

// An output that records each revolution's point list, and the line's loss.
struct FrameSink : RevolutionOutput {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<int16_t>> frames;
    std::vector<int32_t> parsedCounts;
    int losses = 0;
    size_t framesAtLoss = 0;

    void Take(const RevolutionValue& revolution) override
    {
        if (!revolution.complete)
            return;
        std::lock_guard<std::mutex> lock(mutex);
        frames.emplace_back(revolution.points.distance, revolution.points.distance + revolution.points.count);
        parsedCounts.push_back(revolution.parsed.count);
        changed.notify_all();
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
        stage.Attach(sink, {"sink", 64, {}});
        ASSERT_TRUE(stage.Start());
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
            ProcessFrame(CurrentProcessingSettings(), g_PointList);
            decoded.emplace_back(g_PointList.distance, g_PointList.distance + g_PointList.count);
        }
        return decoded;
    }

    PseudoTerminal pty;
    ScratchDirectory scratch;
    FrameSink sink;
    OutputStage stage;  // after the sink and before the port: stopped after the thread that feeds it
    CSerialPort port;
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<uint8_t> sent;
    std::vector<int32_t> sampleCounts;
};

TEST_F(ReceiveLoopTest, RevolutionsOnTheLineReachTheOutputsAndTheFilterSwitchTakesEffectAtTheNextFrame)
{
    ASSERT_TRUE(StartReceiving(port, stage));
    for (int i = 0; i < 500 && Load(g_nReceived) != 720; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(Load(g_nReceived), 720) << "before the first frame";

    // A protocol-1 revolution completes once bytes of the next one follow its zero packet: the
    // operator ticks Filter while the second revolution waits for them.
    SendRevolutions(2);
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.frames.size() >= 1; }));
    Store(g_bFilter, 1);
    SendRevolutions(2);
    ASSERT_TRUE(sink.WaitUntil([&] { return sink.frames.size() >= 3; })) << sink.frames.size() << " frames";
    port.EndReceiving();
    stage.Stop();

    const auto raw = DecodeSentBytes(3, false);
    const auto filtered = DecodeSentBytes(3, true);
    ASSERT_EQ(raw.size(), 3u);
    ASSERT_NE(raw[1], filtered[1]) << "the stream gives the filter nothing to do";
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<int32_t>(sink.frames[i].size()), sampleCounts[i]);
        EXPECT_EQ(sink.parsedCounts[i], sampleCounts[i]);
        EXPECT_EQ(sink.frames[i], i == 0 ? raw[i] : filtered[i]);
    }
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

TEST_F(ReceiveLoopTest, ARevolutionCompletedAfterAStopReachesNoOutput)
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
    FrameSink served;
    OutputStage serving;
    const OutputStage::OutputId servedId = serving.Attach(served, {"served", 4, [] {}});
    ASSERT_TRUE(serving.Start());
    for (int64_t stopAfter = firstRevolution - 256; stopAfter < firstRevolution + 256; ++stopAfter) {
        StartRun(Settings(false));
        CSerialPort reader;
        StoppingSource source(sent, stopAfter, reader);
        reader.AttachSource(&source);
        ReceiveLoop(reader, serving);
        serving.Serve(servedId);
        const bool shown = !served.frames.empty();
        ASSERT_EQ(Load(g_nReceived) != 720, shown) << "a revolution completed after a stop at byte " << stopAfter;
        drawn += shown;
        served.frames.clear();
    }
    EXPECT_GT(drawn, 0) << "no stop came after the revolution's end";
    EXPECT_LT(drawn, 512) << "no stop came before the revolution's end";
}

TEST_F(ReceiveLoopTest, IdleLineAndHungUpLineLeaveTheThreadIdle)
{
    ASSERT_TRUE(StartReceiving(port, stage));
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
