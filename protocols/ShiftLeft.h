// Consuming the front of a packet buffer: every parser removes bytes with it.
#pragma once

#include <cstdint>
#include <cstring>

// Moves the `length` bytes that start at `offset` to the start of the buffer; nothing for offset <= 0.
inline void ShiftLeft(uint8_t* buffer, int32_t offset, int32_t length)
{
    if (offset <= 0 || length <= 0)
        return;
    std::memmove(buffer, buffer + offset, static_cast<size_t>(length));
}
