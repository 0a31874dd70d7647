// Drives the packet parsers over a scripted stream, as the receive loop would: segments of
// arbitrary bytes, each read in chunks of a chosen size by the target parser or, now and then,
// by another one, with the shared write index and every parser's buffers carried across.
#pragma once

#include <cstddef>
#include <cstdint>

// Script: one byte for the point number, then segments of
//   control (bit 7: another parser, bits 0-1 say which; bits 2-5: read size; bit 6: an
//            extra byte follows: bits 0-5 repeat the segment's bytes 1 + n times, bit 6 ends
//            the segment at its first completed frame, as a switch right after a frame does,
//            bit 7 says a point-number byte follows), length byte (bytes = 8 * (length + 1)), bytes.
// Repeats reach what only long streams reach (a revolution that never closes fills the frame);
// an input streams at most STREAM_BUDGET bytes, so that each run stays short.
// Aborts when a parser breaks an invariant of the frame it writes.
void FuzzParserStream(int32_t protocol, const uint8_t* data, size_t size);
