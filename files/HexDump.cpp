#include "files/HexDump.h"

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

int64_t DecodeHexDump(const char* text, int64_t length, uint8_t* out, int64_t* badPosition)
{
    const int64_t count = length / 3;
    for (int64_t i = 0; i < count; ++i) {
        const char* cell = text + 3 * i;
        const int high = HexValue(cell[0]);
        const int low = HexValue(cell[1]);
        const int64_t bad = high < 0 ? 3 * i : low < 0 ? 3 * i + 1 : cell[2] != ' ' ? 3 * i + 2 : -1;
        if (bad >= 0) {
            if (badPosition != nullptr)
                *badPosition = bad;
            return -1;
        }
        out[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return count;
}

void EncodeHexByte(uint8_t value, char* out)
{
    static const char digits[] = "0123456789ABCDEF";
    out[0] = digits[value >> 4];
    out[1] = digits[value & 0x0F];
    out[2] = ' ';
}
