#include <gtest/gtest.h>

#include "foxglove/ListenAddress.h"

namespace {

TEST(ListenAddress, ReadsPortOrAddressAndPortAndRefusesTheRestWithTheText)
{
    const struct {
        const char* text;
        const char* address;  // as written back; empty: refused
    } cases[] = {
        {"8765", "127.0.0.1:8765"},
        {"0", "127.0.0.1:0"},
        {"0.0.0.0:9000", "0.0.0.0:9000"},
        {"localhost:65535", "127.0.0.1:65535"},
        {"[::1]:8765", "[::1]:8765"},
        {"[::]:1", "[::]:1"},
        {"", ""},
        {"65536", ""},
        {"-1", ""},
        {"87a", ""},
        {"robot:8765", ""},
        {"1.2.3:8765", ""},
        {"::1:8765", ""},
        {"[::1]", ""},
        {"127.0.0.1:", ""},
        {":8765", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ListenAddress address;
        std::string reason;
        const bool read = ParseListenAddress(c.text, address, reason);
        EXPECT_EQ(read, *c.address != '\0');
        if (read)
            EXPECT_EQ(ListenAddressText(address), c.address);
        else
            EXPECT_NE(reason.find(std::string("'") + c.text + "'"), std::string::npos) << reason;
    }
}

}  // namespace
