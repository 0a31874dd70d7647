// A recording handed to the parsers at the pace its serial line would carry it, so that it plays
// like the scanner it was recorded from instead of as fast as the parsers read.
#pragma once

#include <cstdint>

#include "acquisition/ByteSource.h"

class LinePacedSource : public ByteSource {
public:
    // `bytes` (the recording) must outlive the source. Reads are a hundredth of a second of the
    // line each.
    LinePacedSource(ByteSource& bytes, int32_t baudRate);

    int32_t Waiting() override;
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override;
    // The line time of the bytes placed, in whole milliseconds; the remainder is carried over,
    // so no time is lost however the reads fall.
    int PauseAfterRead(int32_t placed) override;

private:
    ByteSource& m_bytes;
    double m_bytesPerSecond;
    int32_t m_chunk;
    double m_owedMs = 0.0;
};
