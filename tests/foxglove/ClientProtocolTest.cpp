#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "foxglove/ClientProtocol.h"

namespace {

using nlohmann::json;
using Subscriptions = std::map<uint32_t, uint32_t>;

// Each message is handled against a client that holds subscription 5 on channel 1 and was told
// of channels 1, 2 and 3.
TEST(ClientProtocol, EachMessageChangesTheSubscriptionsAsAskedOrIsAnsweredWithOneErrorAndChangesNothing)
{
    const struct {
        const char* message;
        Subscriptions after;
        const char* reply;  // what the error status says; empty: no reply
    } cases[] = {
        {R"({"op":"subscribe","subscriptions":[{"id":6,"channelId":2},{"id":0,"channelId":3}]})",
         {{0, 3}, {5, 1}, {6, 2}}, ""},
        {R"({"op":"unsubscribe","subscriptionIds":[5]})", {}, ""},
        {R"({"op":"subscribe","subscriptions":[{"id":4294967295,"channelId":2}]})", {{5, 1}, {4294967295u, 2}}, ""},
        // One good, one bad: the good one is taken, the bad one told.
        {R"({"op":"subscribe","subscriptions":[{"id":6,"channelId":2},{"id":7,"channelId":9}]})",
         {{5, 1}, {6, 2}}, "Subscription 7 refused: channel 9 is not advertised"},
        {R"({"op":"subscribe","subscriptions":[{"id":5,"channelId":2}]})", {{5, 1}},
         "Subscription 5 refused: the id is in use"},
        {R"({"op":"subscribe","subscriptions":[{"id":6,"channelId":1}]})", {{5, 1}},
         "Subscription 6 refused: channel 1 is already subscribed"},
        {R"({"op":"subscribe","subscriptions":[{"id":6,"channelId":2},{"id":7,"channelId":2},{"id":8}]})",
         {{5, 1}, {6, 2}}, "Subscription 7 refused: channel 2 is already subscribed (and 1 more in this message)"},
        {R"({"op":"subscribe","subscriptions":[{"id":-1,"channelId":2},{"id":1.5,"channelId":2},
            {"id":"6","channelId":2},{"id":4294967296,"channelId":2},{"id":6,"channelId":null},7]})",
         {{5, 1}},
         "Subscription refused: each needs an \"id\" and a \"channelId\", whole numbers from 0 to 4294967295 "
         "(and 5 more in this message)"},
        {R"({"op":"subscribe","subscriptions":{"id":6,"channelId":2}})", {{5, 1}},
         "Subscribe ignored: it has no \"subscriptions\" list"},
        {R"({"op":"subscribe"})", {{5, 1}}, "Subscribe ignored: it has no \"subscriptions\" list"},
        {R"({"op":"unsubscribe","subscriptionIds":[6]})", {{5, 1}},
         "Unsubscribe of subscription 6 ignored: there is none"},
        {R"({"op":"unsubscribe","subscriptionIds":[-5, 5]})", {},
         "Unsubscribe refused: subscription ids are whole numbers from 0 to 4294967295"},
        {R"({"op":"unsubscribe","subscriptionIds":5})", {{5, 1}},
         "Unsubscribe ignored: it has no \"subscriptionIds\" list"},
        {R"({"op":"advertise","channels":[{"id":1,"topic":"/x","encoding":"json","schemaName":"X"}]})", {{5, 1}},
         "Operation \"advertise\" is not supported by this server"},
        {R"({"op":"getParameters","parameterNames":[]})", {{5, 1}},
         "Operation \"getParameters\" is not supported by this server"},
        {R"({"op":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"})", {{5, 1}},
         "Operation \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...\" is not supported by "
         "this server"},
        {R"({"subscriptions":[{"id":6,"channelId":2}]})", {{5, 1}}, "Message ignored: it has no \"op\""},
        {R"({"op":["subscribe"]})", {{5, 1}}, "Message ignored: it has no \"op\""},
        {R"(["subscribe"])", {{5, 1}}, "Message ignored: it is not a JSON object"},
        {R"({"op":"subscribe","subscriptions":[)", {{5, 1}}, "Message ignored: it is not a JSON object"},
        {"", {{5, 1}}, "Message ignored: it is not a JSON object"},
    };
    const std::vector<uint32_t> advertised = {1, 2, 3};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ClientSession session;
        session.channelOf = {{5, 1}};
        const ClientMessageOutcome outcome = HandleClientText(c.message, advertised, session);
        EXPECT_EQ(session.channelOf, c.after);
        const Subscriptions before = {{5, 1}};
        EXPECT_EQ(outcome.subscriptionsChanged, c.after != before);
        if (*c.reply == '\0') {
            EXPECT_EQ(outcome.reply, "");
            continue;
        }
        const json reply = json::parse(outcome.reply);
        EXPECT_EQ(reply, (json{{"op", "status"}, {"level", 2}, {"message", c.reply}}));
    }
}

TEST(ClientProtocol, BinaryMessagesAreRefusedWithTheirOpcode)
{
    const struct {
        std::string message;
        const char* reply;
    } cases[] = {
        {std::string("\x01\x02\x00\x00\x00{}", 7),
         "Binary message ignored: this server takes no client data or service calls (opcode 0x01)"},
        {"\xff", "Binary message ignored: this server takes no client data or service calls (opcode 0xff)"},
        {"", "Empty binary message ignored"},
    };
    for (const auto& c : cases) {
        const ClientMessageOutcome outcome =
            HandleClientBinary(reinterpret_cast<const uint8_t*>(c.message.data()), c.message.size());
        EXPECT_FALSE(outcome.subscriptionsChanged);
        EXPECT_EQ(json::parse(outcome.reply)["message"], c.reply);
    }
}

}  // namespace
