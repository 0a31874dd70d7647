// What the server makes of one message from a client, apart from any socket: the message and the
// client's session in, the changed session and the reply out. Everything a client may send goes
// through here, so that a fuzzer can try it all. A message the server cannot take changes
// nothing and is answered with one status message at most, however much was wrong in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What one client asked for.
struct ClientSession {
    std::map<uint32_t, uint32_t> channelOf;  // the client's subscription id -> channel id
};

struct ClientMessageOutcome {
    std::string reply;                  // a status text to send back; empty: none
    bool subscriptionsChanged = false;  // the session's subscriptions differ from before
};

// A text message. `advertised`: the ids of the channels this client was told about, the only
// ones it may subscribe to.
ClientMessageOutcome HandleClientText(std::string_view text, const std::vector<uint32_t>& advertised,
                                      ClientSession& session);

// A binary message: the server declares neither client publishing nor services, so every one is
// refused.
ClientMessageOutcome HandleClientBinary(const uint8_t* data, size_t size);
