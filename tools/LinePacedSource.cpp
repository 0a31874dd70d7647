#include "tools/LinePacedSource.h"

#include <cmath>

#include "acquisition/SimulatedScanner.h"

namespace {
constexpr double READS_PER_SECOND = 100.0;

int32_t ChunkOf(int32_t baudRate)
{
    return static_cast<int32_t>(std::ceil(SimulatedScanner::BytesPerSecond(baudRate) / READS_PER_SECOND));
}
}  // namespace

LinePacedSource::LinePacedSource(const uint8_t* bytes, int64_t size, int32_t baudRate)
    : MemoryByteSource(bytes, size, ChunkOf(baudRate)), m_bytesPerSecond(SimulatedScanner::BytesPerSecond(baudRate))
{
}

int LinePacedSource::PauseAfterRead(int32_t placed)
{
    m_owedMs += placed * 1000.0 / m_bytesPerSecond;
    const int ms = static_cast<int>(m_owedMs);
    m_owedMs -= ms;
    return ms;
}
