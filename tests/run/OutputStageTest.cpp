// The output stage: a stalled output costs the others and the handing thread nothing, a burst is
// dropped oldest first and counted, every output sees a run's start, its revolutions in order and
// its end, stopping with full queues neither waits for them nor loses a value, and the values'
// bytes laid end to end are the stream that was read.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/RevolutionFeed.h"
#include "run/SimulatedScanner.h"

namespace {

using namespace std::chrono_literals;

// What an output saw, in order: 'S' a run's start, 'E' its end, and the sequence numbers.
struct Recorder : RevolutionOutput {
    std::mutex mutex;
    std::condition_variable changed;
    std::string events;
    std::vector<uint64_t> sequences;
    std::vector<uint8_t> bytes;

    void RunStarted(const RunInfo&) override { Note('S'); }
    void RunEnded() override { Note('E'); }
    void Take(const RevolutionValue& revolution) override
    {
        std::lock_guard lock(mutex);
        sequences.push_back(revolution.sequence);
        bytes.insert(bytes.end(), revolution.bytes, revolution.bytes + revolution.byteCount);
    }
    void Note(char event)
    {
        std::lock_guard lock(mutex);
        events += event;
        changed.notify_all();
    }
    bool WaitFor(size_t revolutions)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return sequences.size() >= revolutions; });
    }
};

// Holds every revolution until the gate opens: an output that has stalled.
struct Stalled : Recorder {
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool open = false;
    bool inside = false;

    void Take(const RevolutionValue& revolution) override
    {
        Recorder::Take(revolution);
        std::unique_lock lock(gateMutex);
        inside = true;
        gateChanged.notify_all();
        gateChanged.wait(lock, [&] { return open; });
    }
    void Open()
    {
        std::lock_guard lock(gateMutex);
        open = true;
        gateChanged.notify_all();
    }
    bool WaitInside()
    {
        std::unique_lock lock(gateMutex);
        return gateChanged.wait_for(lock, 5s, [&] { return inside; });
    }
};

// Hands out `count` values; false when the pool had none to give.
bool HandOutBurst(OutputStage& stage, int count)
{
    for (int i = 0; i < count; ++i) {
        RevolutionRef value = stage.NewValue();
        if (!value)
            return false;
        value.Fill().complete = true;
        value.Fill().byteCount = 0;
        stage.HandOut(std::move(value));
    }
    return true;
}

TEST(OutputStage, AStalledOutputLosesItsOwnOldestRevolutionsAndHoldsUpNothingElse)
{
    constexpr int BURST = 200;
    constexpr int BOUND = 4;
    Recorder fast;
    Stalled stalled;
    OutputStage stage;
    const auto fastId = stage.Attach(fast, {"fast", BURST, {}});
    const auto stalledId = stage.Attach(stalled, {"stalled", BOUND, {}});
    ASSERT_TRUE(stage.Start());
    stage.BeginRun({});
    ASSERT_TRUE(HandOutBurst(stage, 1));
    ASSERT_TRUE(stalled.WaitInside());
    // The stalled output holds the first revolution while the rest comes: nothing waits for it,
    // and the pool never runs dry.
    ASSERT_TRUE(HandOutBurst(stage, BURST - 1));
    stage.EndRun();
    ASSERT_TRUE(fast.WaitFor(BURST));
    stalled.Open();
    stage.Drain();

    std::vector<uint64_t> all;
    for (uint64_t s = 1; s <= BURST; ++s)
        all.push_back(s);
    EXPECT_EQ(fast.sequences, all);
    EXPECT_EQ(stage.Dropped(fastId), 0);
    // The first, then the newest that fit its queue: the oldest queued were dropped.
    std::vector<uint64_t> kept{1};
    for (uint64_t s = BURST - BOUND + 1; s <= BURST; ++s)
        kept.push_back(s);
    EXPECT_EQ(stalled.sequences, kept);
    EXPECT_EQ(stage.Dropped(stalledId), BURST - static_cast<int64_t>(kept.size()));
    stage.Stop();
    EXPECT_EQ(fast.events, "SE");
    EXPECT_EQ(stalled.events, "SE");
    const std::vector<OutputDrops> drops = stage.Drops();
    ASSERT_EQ(drops.size(), 2u);
    EXPECT_EQ(drops[1].name, "stalled");
    EXPECT_EQ(drops[1].dropped, stage.Dropped(stalledId));
}

TEST(OutputStage, RunStartsAndEndsAreNeverDroppedAndStoppingWithFullQueuesReturnsEveryValue)
{
    Stalled stalled;
    Recorder served;
    OutputStage stage;
    const auto stalledId = stage.Attach(stalled, {"stalled", 2, {}});
    const auto servedId = stage.Attach(served, {"served", 2, [] {}});
    ASSERT_TRUE(stage.Start());
    // Three runs while the stalled output holds the first revolution and nobody serves the other.
    for (int run = 0; run < 3; ++run) {
        stage.BeginRun({});
        ASSERT_TRUE(HandOutBurst(stage, 5));
        if (run == 0) {
            ASSERT_TRUE(stalled.WaitInside());
        }
        stage.EndRun();
    }
    stage.BeginRun({});
    ASSERT_TRUE(HandOutBurst(stage, 3));
    stage.Serve(servedId);
    // Runs without a revolution left fold away; the last run and the order stay.
    EXPECT_EQ(served.events.back(), 'S');
    EXPECT_EQ(served.sequences, (std::vector<uint64_t>{17, 18}));

    // Stop releases what is queued (counted) and gives the open runs their ends.
    std::thread opener([&] {
        std::this_thread::sleep_for(50ms);
        stalled.Open();
    });
    stage.Stop();
    opener.join();
    EXPECT_EQ(stalled.events.back(), 'E');
    EXPECT_EQ(served.events.back(), 'E');
    EXPECT_EQ(static_cast<int64_t>(stalled.sequences.size()) + stage.Dropped(stalledId), 18);
    // Every value went back to the pool: as many can be taken again as it holds.
    std::vector<RevolutionRef> taken;
    for (RevolutionRef value = stage.NewValue(); value; value = stage.NewValue())
        taken.push_back(value);
    EXPECT_EQ(taken.size(), 2u + (2 + 1) + (2 + 1));
}

// The view is served between the UI thread's other events: a serve must come back even while
// revolutions keep arriving faster than it takes them, leaving the newcomers to their own wakes.
TEST(OutputStage, AServeTakesWhatWasQueuedAndComesBackWhileMoreArrives)
{
    struct Producing : Recorder {
        OutputStage* stage = nullptr;
        int handedWhileServed = 0;
        void Take(const RevolutionValue& revolution) override
        {
            Recorder::Take(revolution);
            if (handedWhileServed < 1000 && HandOutBurst(*stage, 1))
                ++handedWhileServed;
        }
    };
    Producing served;
    OutputStage stage;
    served.stage = &stage;
    int wakes = 0;
    const auto id = stage.Attach(served, {"served", 16, [&] { ++wakes; }});
    ASSERT_TRUE(stage.Start());
    stage.BeginRun({});
    ASSERT_TRUE(HandOutBurst(stage, 3));
    stage.Serve(id);
    EXPECT_EQ(served.sequences.size(), 3u);
    EXPECT_EQ(served.handedWhileServed, 3);
    EXPECT_EQ(wakes, 1 + 3 + 3);  // the run's start, the burst, and each revolution handed meanwhile
    stage.Serve(id);
    EXPECT_EQ(served.sequences, (std::vector<uint64_t>{1, 2, 3, 4, 5, 6}));
    stage.Stop();
}

// A stream that never completes a revolution for longer than a value holds, then a real one, then
// an unfinished tail: the values carry it all, in order.
TEST(OutputStage, TheValuesBytesLaidEndToEndAreTheStreamRead)
{
    std::vector<uint8_t> stream(3 * REVOLUTION_BYTES_CAPACITY / 2, 0x00);
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    for (int i = 0; i < 5; ++i) {
        scanner.NextRevolution();
        stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    stream.insert(stream.end(), 100, 0xAA);

    StartRun(ModelRunSettings(g_ModelTR20_A));
    Recorder collected;
    OutputStage stage;
    const auto id = stage.Attach(collected, {"collected", 4, [] {}});
    ASSERT_TRUE(stage.Start());
    MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), 97);
    CSerialPort port;
    port.AttachSource(&source);
    int revolutions = 0;
    {
        RevolutionFeed feed(stage, port);
        for (ParseResult result; (result = ParseNextFrame(port)) != ParseResult::InputEnded;) {
            if (result != ParseResult::Frame)
                continue;
            feed.Complete(CurrentProcessingSettings());
            stage.Serve(id);
            ++revolutions;
        }
    }
    stage.Serve(id);
    stage.Stop();
    EXPECT_EQ(revolutions, 5);
    EXPECT_EQ(collected.bytes, stream);
    EXPECT_EQ(stage.Dropped(id), 0);
}

}  // namespace
