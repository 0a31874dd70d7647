#include "tools/LinePacedSource.h"

#include <algorithm>
#include <cmath>

#include "run/SimulatedScanner.h"

namespace {
constexpr double READS_PER_SECOND = 100.0;
}  // namespace

LinePacedSource::LinePacedSource(ByteSource& bytes, int32_t baudRate)
    : m_bytes(bytes),
      m_bytesPerSecond(SimulatedScanner::BytesPerSecond(baudRate)),
      m_chunk(static_cast<int32_t>(std::ceil(m_bytesPerSecond / READS_PER_SECOND)))
{
}

int32_t LinePacedSource::Waiting()
{
    return std::min(m_bytes.Waiting(), m_chunk);
}

int32_t LinePacedSource::Read(uint8_t* buffer, int32_t length)
{
    return m_bytes.Read(buffer, std::min(length, m_chunk));
}

bool LinePacedSource::Ended()
{
    return m_bytes.Ended();
}

int LinePacedSource::PauseAfterRead(int32_t placed)
{
    m_owedMs += placed * 1000.0 / m_bytesPerSecond;
    const int ms = static_cast<int>(m_owedMs);
    m_owedMs -= ms;
    return ms;
}
