#include "tests/soak/CorruptFeeder.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "run/SimulatedScanner.h"
#include "tests/support/PseudoTerminal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double PAUSE_EVERY_S = 150.0;    // the scanner falls silent ...
constexpr double PAUSE_S = 3.0;            // ... for this long
constexpr double HANG_UP_EVERY_S = 200.0;  // the line goes away and a new one appears
constexpr double SLEEP_SLICE_S = 0.05;

}  // namespace

CorruptFeeder::CorruptFeeder(std::string linkPath, uint32_t seed) : m_linkPath(std::move(linkPath)), m_random(seed) {}

CorruptFeeder::~CorruptFeeder()
{
    Stop();
}

bool CorruptFeeder::Start()
{
    if (!OpenLine())
        return false;
    m_thread = std::thread(&CorruptFeeder::Run, this);
    return true;
}

void CorruptFeeder::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    m_terminal.reset();
    ::unlink(m_linkPath.c_str());
}

// The link is replaced in one rename, so the viewer never finds it missing or half made.
bool CorruptFeeder::OpenLine()
{
    m_terminal.reset();
    auto terminal = std::make_unique<PseudoTerminal>();
    if (!terminal->IsValid())
        return false;
    const std::string temporary = m_linkPath + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(terminal->DevicePath().c_str(), temporary.c_str()) != 0
        || ::rename(temporary.c_str(), m_linkPath.c_str()) != 0)
        return false;
    m_terminal = std::move(terminal);
    return true;
}

bool CorruptFeeder::Chance(int oneIn)
{
    return std::uniform_int_distribution<int>(1, oneIn)(m_random) == 1;
}

int32_t CorruptFeeder::Between(int32_t low, int32_t high)
{
    return std::uniform_int_distribution<int32_t>(low, high)(m_random);
}

void CorruptFeeder::Corrupt(std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return;
    const auto anywhere = [&] { return bytes.begin() + Between(0, static_cast<int32_t>(bytes.size()) - 1); };
    if (Chance(20)) {
        for (int32_t n = Between(1, 8); n > 0; --n)
            *anywhere() ^= static_cast<uint8_t>(1u << Between(0, 7));
        ++m_counts.bitFlips;
    }
    if (Chance(30) && bytes.size() > 16) {
        const auto at = anywhere();
        bytes.erase(at, at + std::min<ptrdiff_t>(Between(1, 16), bytes.end() - at));
        ++m_counts.drops;
    }
    if (Chance(30)) {
        std::vector<uint8_t> extra(static_cast<size_t>(Between(1, 16)));
        for (uint8_t& b : extra)
            b = static_cast<uint8_t>(Between(0, 255));
        bytes.insert(anywhere(), extra.begin(), extra.end());
        ++m_counts.inserts;
    }
    if (Chance(100)) {
        std::vector<uint8_t> garbage(static_cast<size_t>(Between(64, 2048)));
        for (uint8_t& b : garbage)
            b = static_cast<uint8_t>(Between(0, 255));
        bytes.insert(bytes.begin(), garbage.begin(), garbage.end());
        ++m_counts.bursts;
    }
}

bool CorruptFeeder::Sleep(double seconds)
{
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (!m_stop && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(seconds, SLEEP_SLICE_S)));
    return !m_stop;
}

void CorruptFeeder::Run()
{
    SimulatedScannerSettings settings;
    settings.protocol = 1;
    SimulatedScanner scanner(settings);
    const auto start = Clock::now();
    double nextPause = PAUSE_EVERY_S;
    double nextHangUp = HANG_UP_EVERY_S;
    auto due = Clock::now();
    std::vector<uint8_t> bytes;
    while (!m_stop) {
        scanner.NextRevolution();
        bytes.assign(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
        Corrupt(bytes);
        // A line nobody reads fills up; what does not fit is lost, as on a real line.
        m_terminal->Send(bytes);
        ++m_counts.revolutions;
        due += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(scanner.RevolutionSeconds()));
        if (!Sleep(std::chrono::duration<double>(due - Clock::now()).count()))
            return;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed >= nextPause) {
            ++m_counts.pauses;
            nextPause += PAUSE_EVERY_S;
            if (!Sleep(PAUSE_S))
                return;
            due = Clock::now();
        }
        if (elapsed >= nextHangUp) {
            ++m_counts.hangUps;
            nextHangUp += HANG_UP_EVERY_S;
            if (!OpenLine()) {
                std::fprintf(stderr, "soak: no new pseudo-terminal after the hang-up\n");
                return;
            }
        }
    }
}
