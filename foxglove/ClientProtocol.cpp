#include "foxglove/ClientProtocol.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include <nlohmann/json.hpp>

#include "foxglove/ServerMessages.h"

using nlohmann::json;

namespace {

// A client's own words quoted back are cut to this many bytes.
constexpr size_t QUOTE_LIMIT = 64;

ClientMessageOutcome Refused(StatusLevel level, const std::string& message)
{
    ClientMessageOutcome outcome;
    outcome.reply = StatusText(level, message);
    return outcome;
}

std::string Quoted(std::string_view text)
{
    std::string quoted(1, '"');
    quoted.append(text.substr(0, QUOTE_LIMIT));
    quoted.append(text.size() > QUOTE_LIMIT ? "...\"" : "\"");
    return quoted;
}

bool IdField(const json& object, const char* name, uint32_t& value)
{
    const auto field = object.find(name);
    if (field == object.end() || !field->is_number_unsigned())
        return false;
    const uint64_t number = field->get<uint64_t>();
    if (number > std::numeric_limits<uint32_t>::max())
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

// The first problem of a message, and how many more there were.
class Problems {
public:
    void Add(std::string problem)
    {
        if (m_count++ == 0)
            m_first = std::move(problem);
    }

    void Reply(ClientMessageOutcome& outcome) const
    {
        if (m_count == 0)
            return;
        std::string message = m_first;
        if (m_count > 1)
            message += " (and " + std::to_string(m_count - 1) + " more in this message)";
        outcome.reply = StatusText(StatusLevel::Error, message);
    }

private:
    std::string m_first;
    size_t m_count = 0;
};

std::string RefusedSubscription(uint32_t id, const std::string& why)
{
    return "Subscription " + std::to_string(id) + " refused: " + why;
}

bool HasChannel(const ClientSession& session, uint32_t channel)
{
    return std::any_of(session.channelOf.begin(), session.channelOf.end(),
                       [channel](const auto& entry) { return entry.second == channel; });
}

ClientMessageOutcome Subscribe(const json& message, const std::vector<uint32_t>& advertised, ClientSession& session)
{
    const auto list = message.find("subscriptions");
    if (list == message.end() || !list->is_array())
        return Refused(StatusLevel::Error, "Subscribe ignored: it has no \"subscriptions\" list");
    ClientMessageOutcome outcome;
    Problems problems;
    for (const json& entry : *list) {
        uint32_t id = 0;
        uint32_t channel = 0;
        if (!entry.is_object() || !IdField(entry, "id", id) || !IdField(entry, "channelId", channel)) {
            problems.Add("Subscription refused: each needs an \"id\" and a \"channelId\", whole numbers "
                         "from 0 to 4294967295");
        } else if (session.channelOf.count(id) != 0) {
            problems.Add(RefusedSubscription(id, "the id is in use"));
        } else if (std::find(advertised.begin(), advertised.end(), channel) == advertised.end()) {
            problems.Add(RefusedSubscription(id, "channel " + std::to_string(channel) + " is not advertised"));
        } else if (HasChannel(session, channel)) {
            problems.Add(RefusedSubscription(id, "channel " + std::to_string(channel) + " is already subscribed"));
        } else {
            session.channelOf[id] = channel;
            outcome.subscriptionsChanged = true;
        }
    }
    problems.Reply(outcome);
    return outcome;
}

ClientMessageOutcome Unsubscribe(const json& message, ClientSession& session)
{
    const auto list = message.find("subscriptionIds");
    if (list == message.end() || !list->is_array())
        return Refused(StatusLevel::Error, "Unsubscribe ignored: it has no \"subscriptionIds\" list");
    ClientMessageOutcome outcome;
    Problems problems;
    for (const json& entry : *list) {
        if (!entry.is_number_unsigned() || entry.get<uint64_t>() > std::numeric_limits<uint32_t>::max()) {
            problems.Add("Unsubscribe refused: subscription ids are whole numbers from 0 to 4294967295");
            continue;
        }
        const auto id = static_cast<uint32_t>(entry.get<uint64_t>());
        if (session.channelOf.erase(id) == 0) {
            problems.Add("Unsubscribe of subscription " + std::to_string(id) + " ignored: there is none");
            continue;
        }
        outcome.subscriptionsChanged = true;
    }
    problems.Reply(outcome);
    return outcome;
}

}  // namespace

ClientMessageOutcome HandleClientText(std::string_view text, const std::vector<uint32_t>& advertised,
                                      ClientSession& session)
{
    const json message = json::parse(text.begin(), text.end(), nullptr, false);
    if (message.is_discarded() || !message.is_object())
        return Refused(StatusLevel::Error, "Message ignored: it is not a JSON object");
    const auto op = message.find("op");
    if (op == message.end() || !op->is_string())
        return Refused(StatusLevel::Error, "Message ignored: it has no \"op\"");
    const std::string& name = op->get_ref<const std::string&>();
    if (name == "subscribe")
        return Subscribe(message, advertised, session);
    if (name == "unsubscribe")
        return Unsubscribe(message, session);
    return Refused(StatusLevel::Error, "Operation " + Quoted(name) + " is not supported by this server");
}

ClientMessageOutcome HandleClientBinary(const uint8_t* data, size_t size)
{
    if (size == 0)
        return Refused(StatusLevel::Error, "Empty binary message ignored");
    char opcode[8];
    std::snprintf(opcode, sizeof opcode, "0x%02x", data[0]);
    return Refused(StatusLevel::Error,
                   std::string("Binary message ignored: this server takes no client data or service calls (opcode ") +
                       opcode + ")");
}
