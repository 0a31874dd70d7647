// The text format of raw data files: every byte as two hexadecimal digits and one space.
#pragma once

#include <cstdint>

// Decodes floor(length / 3) bytes into `out` (room for that many); one or two characters left
// over at the end are ignored. Returns the byte count, or -1 with `badPosition` set to the
// offset of the first character that breaks the pattern; `out` may then hold a decoded prefix.
int64_t DecodeHexDump(const char* text, int64_t length, uint8_t* out, int64_t* badPosition);

// Writes the three characters of one byte ("%02X ") at `out`.
void EncodeHexByte(uint8_t value, char* out);
