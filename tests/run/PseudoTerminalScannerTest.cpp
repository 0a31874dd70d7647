// The simulated scanner behind a pseudo-terminal: what a reader of the device side receives,
// and that stopping never waits for a reader.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/Pipeline.h"
#include "run/PseudoTerminalScanner.h"

namespace {

using namespace std::chrono_literals;

constexpr auto WATCHDOG = 5s;

SimulatedScannerSettings Settings()
{
    SimulatedScannerSettings settings;
    settings.seed = 9;
    return settings;
}

// The revolutions a twin of the streamed scanner produces.
std::vector<uint8_t> TwinBytes(int revolutions, std::vector<int32_t>& sampleCounts)
{
    SimulatedScanner twin(Settings());
    std::vector<uint8_t> bytes;
    for (int i = 0; i < revolutions; ++i) {
        twin.NextRevolution();
        bytes.insert(bytes.end(), twin.Bytes(), twin.Bytes() + twin.ByteCount());
        sampleCounts.push_back(twin.SampleCount());
    }
    return bytes;
}

// Reads the device side until `enough` bytes came, the line is hung up, or 10 s have passed.
std::vector<uint8_t> ReadDevice(int fd, size_t enough)
{
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    uint8_t chunk[4096];
    while (bytes.size() < enough && std::chrono::steady_clock::now() < deadline) {
        pollfd line{fd, POLLIN, 0};
        if (::poll(&line, 1, 100) <= 0)
            continue;
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

// Sample counts of the revolutions the protocol-1 parser completes in `bytes`.
std::vector<int32_t> DecodedSampleCounts(const std::vector<uint8_t>& bytes)
{
    StartRun(ModelRunSettings(g_ModelTR20_A));
    CSerialPort reader;
    MemoryByteSource source(bytes.data(), static_cast<int64_t>(bytes.size()), 64);
    reader.AttachSource(&source);
    std::vector<int32_t> counts;
    while (ParseNextFrame(reader) == ParseResult::Frame)
        counts.push_back(g_ScanFrame.count);
    return counts;
}

struct Reader {
    explicit Reader(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_NOCTTY)) {}
    ~Reader() { Close(); }
    void Close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fd;
};

}  // namespace

// Paced on its own thread as the demo runs it, and unpaced for a number of revolutions on the
// calling thread as the tool runs it: the reader gets the scanner's bytes unchanged, from the
// first on, and the tool's last revolution is not cut off by the hang-up.
TEST(PseudoTerminalScanner, ReaderReceivesWholeRevolutionsThatDecode)
{
    std::vector<int32_t> sampleCounts;
    const std::vector<uint8_t> expected = TwinBytes(3, sampleCounts);

    for (const bool threaded : {true, false}) {
        SCOPED_TRACE(threaded ? "own thread, paced" : "calling thread, unpaced, 3 revolutions");
        auto scanner = std::make_unique<PseudoTerminalScanner>(Settings(), g_ModelTR20_A.nBaudRate, threaded);
        std::string reason;
        ASSERT_TRUE(scanner->Open(&reason)) << reason;
        const std::string path = scanner->Path();
        std::future<bool> streaming;
        if (threaded) {
            ASSERT_TRUE(scanner->Start(&reason)) << reason;
        } else {
            // As the tool does: the line is hung up once the revolutions are out.
            streaming = std::async(std::launch::async, [&] {
                const bool streamed = scanner->Stream(3, &reason);
                scanner.reset();
                return streamed;
            });
        }

        Reader reader(path);
        ASSERT_GE(reader.fd, 0);
        std::vector<uint8_t> received =
            ReadDevice(reader.fd, threaded ? expected.size() : std::numeric_limits<size_t>::max());
        if (threaded)
            received.resize(std::min(received.size(), expected.size()));
        EXPECT_EQ(received, expected);

        // Decoded as a file: the end of the input closes the last revolution's scan too.
        EXPECT_EQ(DecodedSampleCounts(received), sampleCounts);

        if (!threaded) {
            ASSERT_EQ(streaming.wait_for(WATCHDOG), std::future_status::ready) << "the stream did not end";
            EXPECT_TRUE(streaming.get()) << reason;
        }
    }
}

// Whatever the streaming thread waits for, a stop ends it: a reader that never opens the
// device, one that opens it and never reads (paced or filling the queue), and one that went
// away leaving the queue full.
TEST(PseudoTerminalScanner, StopEndsEveryWaitWithoutAReader)
{
    enum class ReaderState { Never, Idle, Gone };
    struct Case {
        const char* name;
        bool realtime;
        ReaderState reader;
    };
    const Case cases[] = {
        {"no reader", true, ReaderState::Never},
        {"idle reader, paced", true, ReaderState::Idle},
        {"idle reader, full queue", false, ReaderState::Idle},
        {"reader gone, full queue", false, ReaderState::Gone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto scanner = std::make_unique<PseudoTerminalScanner>(Settings(), g_ModelTR20_A.nBaudRate, c.realtime);
        std::string reason;
        ASSERT_TRUE(scanner->Open(&reason)) << reason;
        ASSERT_TRUE(scanner->Start(&reason)) << reason;
        std::unique_ptr<Reader> reader;
        if (c.reader != ReaderState::Never)
            reader = std::make_unique<Reader>(scanner->Path());
        std::this_thread::sleep_for(200ms);  // lets an unpaced scanner fill the queue
        if (c.reader == ReaderState::Gone)
            reader->Close();

        auto destroyed = std::async(std::launch::async, [&] { scanner.reset(); });
        ASSERT_EQ(destroyed.wait_for(WATCHDOG), std::future_status::ready) << "destruction hung";
    }

    // The tool's loop on the calling thread, stopped from elsewhere: a stop is no failure.
    PseudoTerminalScanner scanner(Settings(), g_ModelTR20_A.nBaudRate, false);
    std::string reason;
    ASSERT_TRUE(scanner.Open(&reason)) << reason;
    auto streaming = std::async(std::launch::async, [&] { return scanner.Stream(0, &reason); });
    Reader reader(scanner.Path());
    std::this_thread::sleep_for(200ms);
    scanner.Stop();
    ASSERT_EQ(streaming.wait_for(WATCHDOG), std::future_status::ready) << "Stream did not return";
    EXPECT_TRUE(streaming.get()) << reason;
}
