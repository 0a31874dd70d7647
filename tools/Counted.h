// A count with its noun for the tools' summaries: "1 packet", "2 packets", "0 bytes".
#pragma once

#include <cstdint>
#include <string>

inline std::string Counted(int64_t count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}
