#include "foxglove/ListenAddress.h"

#include <arpa/inet.h>

#include <charconv>

namespace {

bool ParsePort(std::string_view text, uint16_t& port)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool IsNumericAddress(const std::string& host)
{
    unsigned char bytes[16];
    return ::inet_pton(AF_INET, host.c_str(), bytes) == 1 || ::inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

std::string Quoted(std::string_view text)
{
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted.push_back('\'');
    return quoted;
}

}  // namespace

bool ParseListenAddress(std::string_view text, ListenAddress& address, std::string& reason)
{
    ListenAddress parsed;
    std::string_view portText = text;
    const size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
        else if (host.find(':') != std::string_view::npos)
            host = {};  // an IPv6 address needs its brackets before the port
        parsed.host = host == "localhost" ? "127.0.0.1" : std::string(host);
        if (!IsNumericAddress(parsed.host)) {
            reason = Quoted(text) + " is not ADDRESS:PORT with a numeric address "
                                    "(e.g. 127.0.0.1:8765, 0.0.0.0:8765 or [::1]:8765)";
            return false;
        }
    }
    if (!ParsePort(portText, parsed.port)) {
        reason = Quoted(text) + " has no port from 0 to 65535";
        return false;
    }
    address = parsed;
    return true;
}

std::string ListenAddressText(const ListenAddress& address)
{
    const bool v6 = address.host.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + address.host + "]" : address.host;
    return host + ":" + std::to_string(address.port);
}
