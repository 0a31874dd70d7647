// A recording handed to the parsers at the pace its serial line would carry it, so that it plays
// like the scanner it was recorded from instead of as fast as the parsers read.
#pragma once

#include <cstdint>

#include "acquisition/MemoryByteSource.h"

class LinePacedSource : public MemoryByteSource {
public:
    // The bytes must outlive the source. Reads are a hundredth of a second of the line each.
    LinePacedSource(const uint8_t* bytes, int64_t size, int32_t baudRate);

    // The line time of the bytes placed, in whole milliseconds; the remainder is carried over,
    // so no time is lost however the reads fall.
    int PauseAfterRead(int32_t placed) override;

private:
    double m_bytesPerSecond;
    double m_owedMs = 0.0;
};
