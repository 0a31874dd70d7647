#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "ServerFixture.h"

namespace {

using nlohmann::json;
using namespace std::chrono_literals;

class FoxgloveServerTest : public ServerFixture {};

// This process's accepted connections on `port` (the server's ends), each with whether it sends
// without waiting to gather more (TCP_NODELAY).
std::vector<bool> AcceptedSendAtOnce(uint16_t port)
{
    std::vector<bool> found;
    DIR* fds = ::opendir("/proc/self/fd");
    while (dirent* entry = fds ? ::readdir(fds) : nullptr) {
        const int fd = std::atoi(entry->d_name);
        sockaddr_in local{};
        sockaddr_in peer{};
        socklen_t size = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0 || local.sin_family != AF_INET ||
            ntohs(local.sin_port) != port || ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        int noDelay = 0;
        socklen_t optionSize = sizeof noDelay;
        found.push_back(::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &optionSize) == 0 && noDelay != 0);
    }
    if (fds)
        ::closedir(fds);
    return found;
}

TEST_F(FoxgloveServerTest, ClientOfTheSubprotocolLearnsTheServerAndItsChannels)
{
    Serve({"Plotwell test", 4, 8, 1024});
    const uint32_t scan = m_server->AddChannel(TestChannel("/scan"));
    const uint32_t health = m_server->AddChannel({"/health", "json", "Health", "{\"type\":\"object\"}", ""});

    WebSocketClient client;
    ASSERT_TRUE(client.Connect(m_server->Port()));
    EXPECT_EQ(client.Subprotocol(), "foxglove.websocket.v1");
    const json info = NextJson(client);
    EXPECT_EQ(info["op"], "serverInfo");
    EXPECT_EQ(info["name"], "Plotwell test");
    EXPECT_EQ(info["capabilities"], json::array());
    EXPECT_FALSE(info["sessionId"].get<std::string>().empty());

    const json advertise = NextJson(client);
    ASSERT_EQ(advertise["op"], "advertise");
    EXPECT_EQ(advertise["channels"], json::parse(R"([
        {"id": )" + std::to_string(scan) + R"(, "topic": "/scan", "encoding": "cdr",
         "schemaName": "test_msgs/msg/Blob", "schema": "uint8[] data\n", "schemaEncoding": "ros2msg"},
        {"id": )" + std::to_string(health) + R"(, "topic": "/health", "encoding": "json",
         "schemaName": "Health", "schema": "{\"type\":\"object\"}"}])"));

    // Whoever does not speak the protocol is turned away at the handshake.
    for (const std::string offered : {"", "foxglove.websocket.v2"}) {
        SCOPED_TRACE("offering '" + offered + "'");
        WebSocketClient stranger;
        EXPECT_FALSE(stranger.Connect(m_server->Port(), offered));
        EXPECT_EQ(stranger.HandshakeStatus(), 400);
    }
    EXPECT_EQ(m_server->Counters().clients, 1);
}

TEST_F(FoxgloveServerTest, SubscriberGetsEachMessageOfItsChannelWholeWithItsTime)
{
    Serve();
    const uint32_t wanted = m_server->AddChannel(TestChannel("/wanted"));
    const uint32_t other = m_server->AddChannel(TestChannel("/other"));
    auto client = Client();
    Subscribe(*client, 7, wanted);
    // Each frame goes out at once: not held back until the client acknowledges the one before,
    // which a client delays by 40 ms.
    EXPECT_EQ(AcceptedSendAtOnce(m_server->Port()), std::vector<bool>{true});

    // Sizes around the frame's length forms (7 bits, 16 bits, 64 bits), header included.
    const size_t sizes[] = {0, 1, 112, 113, 65522, 65523, 300000};
    uint32_t seed = 0;
    for (const size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string payload = TestPayload(++seed, size);
        const uint64_t time = 1700000000123456789ull + seed;
        EXPECT_EQ(m_server->Publish(other, time, reinterpret_cast<const uint8_t*>("x"), 1), 0);
        EXPECT_EQ(m_server->Publish(wanted, time, reinterpret_cast<const uint8_t*>(payload.data()), size), 1);
        const DataFrame frame = NextData(*client);
        EXPECT_EQ(frame.subscription, 7u);
        EXPECT_EQ(frame.timestampNs, time);
        EXPECT_TRUE(frame.payload == payload);
    }

    // After unsubscribing, the id may name another channel.
    client->SendText(R"({"op":"unsubscribe","subscriptionIds":[7]})");
    Subscribe(*client, 7, other);
    EXPECT_EQ(m_server->Publish(wanted, 1, reinterpret_cast<const uint8_t*>("a"), 1), 0);
    EXPECT_EQ(m_server->Publish(other, 2, reinterpret_cast<const uint8_t*>("b"), 1), 1);
    const DataFrame frame = NextData(*client);
    EXPECT_EQ(frame.payload, "b");
    EXPECT_EQ(frame.subscription, 7u);
    EXPECT_EQ(m_server->Counters().sent, static_cast<int64_t>(std::size(sizes)) + 1);
}

TEST_F(FoxgloveServerTest, ChannelsComingAndGoingAreAdvertisedAndEndTheirSubscriptions)
{
    Serve();
    const uint32_t first = m_server->AddChannel(TestChannel("/first"));
    auto client = Client();
    Subscribe(*client, 1, first);

    const uint32_t second = m_server->AddChannel(TestChannel("/second"));
    const json added = NextJson(*client);
    EXPECT_EQ(added["op"], "advertise");
    ASSERT_EQ(added["channels"].size(), 1u);
    EXPECT_EQ(added["channels"][0]["id"], second);
    EXPECT_NE(second, first);

    m_server->RemoveChannel(first);
    EXPECT_EQ(NextJson(*client), json::parse(R"({"op":"unadvertise","channelIds":[)" + std::to_string(first) + "]}"));
    EXPECT_EQ(m_server->Publish(first, 1, reinterpret_cast<const uint8_t*>("a"), 1), 0);

    // The subscription went with its channel: its id is free again.
    Subscribe(*client, 1, second);
    EXPECT_EQ(m_server->Publish(second, 2, reinterpret_cast<const uint8_t*>("b"), 1), 1);
    EXPECT_EQ(NextData(*client).payload, "b");

    // A client that comes later hears only of what is there.
    auto later = Client();
    Subscribe(*later, 9, second);
    client->SendText(json{{"op", "subscribe"}, {"subscriptions", {{{"id", 2}, {"channelId", first}}}}}.dump());
    EXPECT_NE(NextJson(*client)["message"].get<std::string>().find("is not advertised"), std::string::npos);
}

TEST_F(FoxgloveServerTest, MessagesTheServerCannotTakeChangeNothingForAnyone)
{
    Serve({"Plotwell", 4, 8, 4096});
    const uint32_t channel = m_server->AddChannel(TestChannel("/scan"));
    auto client = Client();
    auto bystander = Client();
    Subscribe(*client, 3, channel);
    Subscribe(*bystander, 4, channel);

    // Answered with a status, the connection stays.
    const std::string refusedTexts[] = {
        "garbage", "[1,2]", R"({"op":"getParameters","parameterNames":[]})",
        R"({"op":"subscribe","subscriptions":[{"id":3,"channelId":99}]})",
    };
    for (const std::string& text : refusedTexts) {
        client->SendText(text);
        const json status = NextJson(*client);
        EXPECT_EQ(status["op"], "status") << text;
        EXPECT_EQ(status["level"], 2) << text;
    }
    client->SendBinary(std::string("\x01\x00\x00\x00\x00payload", 12));
    EXPECT_EQ(NextJson(*client)["level"], 2);

    // Too big to read: the connection is closed once its header is read (1009 "message too
    // big"; the closing frame may be lost to the reset of a connection whose client is still
    // sending, 1006).
    auto sender = Client();
    sender->SendBinary(std::string(10 * 1024 * 1024, 'x'));
    const auto closing = sender->WaitClosed();
    ASSERT_TRUE(closing.has_value());
    EXPECT_TRUE(closing->code == 1009 || closing->code == 1006) << closing->code;

    const std::string payload = TestPayload(5, 1000);
    EXPECT_EQ(m_server->Publish(channel, 5, reinterpret_cast<const uint8_t*>(payload.data()), payload.size()), 2);
    EXPECT_EQ(NextData(*client).subscription, 3u);
    EXPECT_EQ(NextData(*bystander).payload, payload);
}

TEST_F(FoxgloveServerTest, ClientBeyondTheLimitIsToldWhyAndTheNextOneAfterALeaverIsTaken)
{
    Serve({"Plotwell", 2, 8, 1024});
    auto first = Client();
    auto second = Client();

    WebSocketClient third;
    ASSERT_TRUE(third.Connect(m_server->Port()));
    const json status = NextJson(third);
    EXPECT_EQ(status["op"], "status");
    EXPECT_EQ(status["level"], 2);
    EXPECT_EQ(status["message"], "Too many clients: this server takes 2 at once");
    const auto closing = third.WaitClosed();
    ASSERT_TRUE(closing.has_value());
    EXPECT_EQ(closing->code, 1013);
    EXPECT_EQ(m_server->Counters().clients, 2);

    first.reset();
    for (int tries = 0; m_server->Counters().clients != 1 && tries < 500; ++tries)
        std::this_thread::sleep_for(10ms);
    auto fourth = Client();
    EXPECT_EQ(m_server->Counters().clients, 2);
}

// The stalled client stops reading; the steady one reads each message before the next is
// published, so that only a fault of the server could make it lose one.
TEST_F(FoxgloveServerTest, StalledClientLosesItsOldestMessagesAndNobodyElseLosesAny)
{
    Serve({"Plotwell", 4, 4, 1024});
    const uint32_t channel = m_server->AddChannel(TestChannel("/scan"));
    auto stalled = Client();
    auto steady = Client();
    Subscribe(*stalled, 1, channel);
    Subscribe(*steady, 2, channel);
    stalled->StopReading();

    // Far more than the socket buffers of a client that reads nothing take.
    constexpr uint32_t MESSAGES = 300;
    constexpr size_t SIZE = 64 * 1024;
    for (uint32_t k = 1; k <= MESSAGES; ++k) {
        const std::string payload = TestPayload(k, SIZE);
        ASSERT_EQ(m_server->Publish(channel, k, reinterpret_cast<const uint8_t*>(payload.data()), SIZE), 2);
        const DataFrame frame = NextData(*steady);
        ASSERT_EQ(frame.timestampNs, k);
        ASSERT_TRUE(frame.payload == payload) << "message " << k;
    }

    const ServerCounters counters = m_server->Counters();
    EXPECT_GT(counters.dropped, 0);
    const std::vector<ClientCounters> clients = m_server->Clients();
    ASSERT_EQ(clients.size(), 2u);
    const auto lossy = std::count_if(clients.begin(), clients.end(), [](const ClientCounters& c) { return c.dropped > 0; });
    EXPECT_EQ(lossy, 1);
    EXPECT_EQ(clients[0].dropped + clients[1].dropped, counters.dropped);

    // Reading again, it gets what the socket held, is told of its losses once, and ends on the
    // newest messages in order.
    stalled->ResumeReading();
    uint64_t last = 0;
    int64_t reported = 0;
    int reports = 0;
    while (last < MESSAGES) {
        const auto message = stalled->Next();
        ASSERT_TRUE(message.has_value()) << "after " << last;
        DataFrame frame;
        if (ParseData(*message, frame)) {
            EXPECT_GT(frame.timestampNs, last);
            last = frame.timestampNs;
            continue;
        }
        const json status = json::parse(message->data);
        EXPECT_EQ(status["id"], "dropped-messages");
        EXPECT_EQ(status["level"], 1);
        const std::string text = status["message"];
        const int64_t count = std::stoll(text.substr(text.find(": ") + 2));
        EXPECT_GT(count, reported) << text;
        reported = count;
        ++reports;
    }
    // Summed up, not one report per loss.
    EXPECT_GE(reports, 1);
    EXPECT_LT(reports, counters.dropped);
    EXPECT_LE(reported, counters.dropped);
    EXPECT_EQ(m_server->Counters().dropped, counters.dropped);
}

TEST_F(FoxgloveServerTest, PublishersOnSeveralThreadsReachEveryClientInTheirOrder)
{
    Serve({"Plotwell", 4, 1024, 1024});
    const uint32_t channels[] = {m_server->AddChannel(TestChannel("/a")), m_server->AddChannel(TestChannel("/b"))};
    std::vector<std::unique_ptr<WebSocketClient>> clients;
    for (uint32_t k = 0; k < 2; ++k) {
        clients.push_back(Client());
        Subscribe(*clients.back(), 10, channels[0]);
        Subscribe(*clients.back(), 20, channels[1]);
    }

    constexpr uint64_t MESSAGES = 300;
    std::vector<std::thread> publishers;
    for (const uint32_t channel : channels) {
        publishers.emplace_back([this, channel] {
            for (uint64_t k = 1; k <= MESSAGES; ++k)
                m_server->Publish(channel, k, reinterpret_cast<const uint8_t*>(&k), sizeof k);
        });
    }
    for (std::thread& publisher : publishers)
        publisher.join();

    for (auto& client : clients) {
        uint64_t last[2] = {0, 0};
        for (uint64_t k = 0; k < 2 * MESSAGES; ++k) {
            const DataFrame frame = NextData(*client);
            ASSERT_TRUE(frame.subscription == 10 || frame.subscription == 20);
            uint64_t& previous = last[frame.subscription == 20];
            ASSERT_EQ(frame.timestampNs, previous + 1);
            previous = frame.timestampNs;
        }
    }
    EXPECT_EQ(m_server->Counters().dropped, 0);
}

// Clients that connect, subscribe and go, gracefully or not, leave nothing behind: no place
// taken and no memory (the heap is measured after a first round has warmed every buffer up).
TEST_F(FoxgloveServerTest, ManyConnectionsOpenedAndDroppedLeaveNothingBehind)
{
    Serve({"Plotwell", 8, 8, 1024});
    const uint32_t channel = m_server->AddChannel(TestChannel("/scan"));
    const std::string payload = TestPayload(1, 100000);
    const auto round = [&](int connections) {
        for (int k = 0; k < connections; ++k) {
            auto client = Client();
            Subscribe(*client, 1, channel);
            m_server->Publish(channel, 1, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
            if (k % 3 == 0)
                client->Close();
            else if (k % 3 == 1)
                client->StopReading();  // and goes with its message unread
        }
        for (int tries = 0; m_server->Counters().clients != 0 && tries < 500; ++tries)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(m_server->Counters().clients, 0);
    };
    round(40);
    const size_t heapBefore = mallinfo2().uordblks;
    round(200);
    const size_t heapAfter = mallinfo2().uordblks;
    // Sanitizers keep their own heap, which this does not see.
    if (heapBefore > 0) {
        EXPECT_LT(heapAfter, heapBefore + 256 * 1024) << heapBefore << " bytes before, " << heapAfter << " after";
    }

    auto client = Client();
    Subscribe(*client, 5, channel);
    EXPECT_EQ(m_server->Publish(channel, 2, reinterpret_cast<const uint8_t*>(payload.data()), payload.size()), 1);
    EXPECT_TRUE(NextData(*client).payload == payload);
}

TEST_F(FoxgloveServerTest, StopEndsStalledConnectionsAndTheServerStartsAgainOnItsPort)
{
    Serve();
    const uint32_t channel = m_server->AddChannel(TestChannel("/scan"));
    auto stalled = Client();
    Subscribe(*stalled, 1, channel);
    stalled->StopReading();
    const std::string payload = TestPayload(1, 1 << 20);
    for (int k = 0; k < 20; ++k)
        m_server->Publish(channel, k, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());

    const uint16_t port = m_server->Port();
    m_server->Stop();
    EXPECT_FALSE(m_server->Running());
    EXPECT_EQ(m_server->Counters().clients, 0);

    std::string reason;
    ASSERT_TRUE(m_server->Start({"127.0.0.1", port}, reason)) << reason;
    auto client = Client();
    Subscribe(*client, 1, channel);
    EXPECT_EQ(m_server->Publish(channel, 1, reinterpret_cast<const uint8_t*>("z"), 1), 1);
    EXPECT_EQ(NextData(*client).payload, "z");
}

TEST_F(FoxgloveServerTest, AddressThatCannotBeHadIsRefusedWithTheReason)
{
    Serve();
    const struct {
        ListenAddress address;
        const char* reason;
    } cases[] = {
        {{"127.0.0.1", m_server->Port()}, "already in use"},
        {{"192.0.2.1", 8765}, "no network interface of this machine has that address"},
    };
    for (const auto& c : cases) {
        FoxgloveServer other;
        std::string reason;
        EXPECT_FALSE(other.Start(c.address, reason));
        EXPECT_EQ(reason.rfind("Cannot listen on " + ListenAddressText(c.address) + ": ", 0), 0u) << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_FALSE(other.Running());
    }
}

}  // namespace
