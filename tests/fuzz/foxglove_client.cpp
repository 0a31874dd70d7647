// Fuzz target: one client's messages to the Foxglove server, as the server's thread hands them to
// the protocol handling, against a session that was told of channels 1, 2 and 3.
//
// Script: per message one byte (bit 0: binary, else text) and a little-endian length word, then
// that many bytes.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

#include "FuzzInput.h"
#include "foxglove/ClientProtocol.h"

namespace {

const std::vector<uint32_t> ADVERTISED = {1, 2, 3};

// A reply is one status of a known level with a message.
void CheckReply(const std::string& reply)
{
    if (reply.empty())
        return;
    const auto status = nlohmann::json::parse(reply, nullptr, false);
    FUZZ_CHECK(status.is_object() && status.value("op", "") == "status");
    FUZZ_CHECK(status["level"].is_number_unsigned() && status["level"].get<unsigned>() <= 2);
    FUZZ_CHECK(status["message"].is_string() && !status["message"].get<std::string>().empty());
}

// At most one subscription per channel, each to a channel the client was told about.
void CheckSession(const ClientSession& session)
{
    std::set<uint32_t> channels;
    for (const auto& [id, channel] : session.channelOf) {
        FUZZ_CHECK(std::find(ADVERTISED.begin(), ADVERTISED.end(), channel) != ADVERTISED.end());
        FUZZ_CHECK(channels.insert(channel).second);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    ClientSession session;
    while (!input.Empty()) {
        const bool binary = input.Byte() & 1;
        size_t length = 0;
        const uint8_t* message = input.Bytes(input.Word(), &length);
        const auto before = session.channelOf;
        const ClientMessageOutcome outcome =
            binary ? HandleClientBinary(message, length)
                   : HandleClientText(std::string_view(reinterpret_cast<const char*>(message), length), ADVERTISED,
                                      session);
        CheckReply(outcome.reply);
        CheckSession(session);
        FUZZ_CHECK(outcome.subscriptionsChanged == (session.channelOf != before));
        FUZZ_CHECK(!binary || !outcome.reply.empty());
    }
    return 0;
}
