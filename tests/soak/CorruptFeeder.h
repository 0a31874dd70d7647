// The soak run's scanner: a simulated protocol-1 scanner sending revolutions at its own pace
// into a pseudo-terminal, with line trouble mixed in (flipped bits, dropped and inserted bytes,
// bursts of garbage, pauses, a hang-up followed by a new line). The viewer reaches it through a
// fixed symbolic link that is moved to each new pseudo-terminal.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

class PseudoTerminal;

struct FeederCounts {
    std::atomic<int64_t> revolutions{0};  // sent, corrupted or not
    std::atomic<int64_t> bitFlips{0};
    std::atomic<int64_t> drops{0};
    std::atomic<int64_t> inserts{0};
    std::atomic<int64_t> bursts{0};
    std::atomic<int64_t> pauses{0};
    std::atomic<int64_t> hangUps{0};
};

class CorruptFeeder {
public:
    CorruptFeeder(std::string linkPath, uint32_t seed);
    ~CorruptFeeder();
    CorruptFeeder(const CorruptFeeder&) = delete;
    CorruptFeeder& operator=(const CorruptFeeder&) = delete;

    // False when no pseudo-terminal could be made.
    bool Start();
    void Stop();
    const FeederCounts& Counts() const { return m_counts; }

private:
    void Run();
    bool OpenLine();
    void Corrupt(std::vector<uint8_t>& bytes);
    bool Chance(int oneIn);
    int32_t Between(int32_t low, int32_t high);
    // Sleeps up to `seconds`, in slices so that Stop is prompt; false once stopped.
    bool Sleep(double seconds);

    std::string m_linkPath;
    std::mt19937 m_random;
    std::unique_ptr<PseudoTerminal> m_terminal;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    FeederCounts m_counts;
};
