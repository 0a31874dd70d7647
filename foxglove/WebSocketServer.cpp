#include "foxglove/WebSocketServer.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include <websocketpp/config/asio_no_tls.hpp>
#include <websocketpp/server.hpp>

#include "foxglove/ChannelTable.h"
#include "foxglove/ClientOutbox.h"
#include "foxglove/ClientProtocol.h"
#include "foxglove/ListenAddress.h"
#include "foxglove/ServerMessages.h"
#include "foxglove/WakeSignal.h"

namespace {

using Endpoint = websocketpp::server<websocketpp::config::asio>;
using ConnectionPtr = Endpoint::connection_ptr;
using Message = Endpoint::message_ptr::element_type;
using websocketpp::connection_hdl;
namespace frame = websocketpp::frame;

constexpr size_t NO_CLIENT = std::numeric_limits<size_t>::max();
// A client that lets this much of our replies pile up unread (it keeps sending and never reads)
// is disconnected instead of growing the server.
constexpr size_t REPLY_BACKLOG_LIMIT = 1 << 20;
constexpr auto DROP_REPORT_INTERVAL = std::chrono::seconds(1);
// How long stopping waits for clients to answer the closing handshake.
constexpr auto STOP_GRACE = std::chrono::milliseconds(500);
// The status that tells a slow client of its losses; each report replaces the one before.
constexpr const char* DROP_STATUS_ID = "dropped-messages";

std::string ListenFailure(const asio::error_code& error)
{
    if (error == asio::error::address_in_use)
        return "the address is already in use (another server there?)";
    // asio has no name for it, and its system errors do not compare with std::errc.
    if (error == asio::error_code(EADDRNOTAVAIL, asio::error::get_system_category()))
        return "no network interface of this machine has that address";
    if (error == asio::error::access_denied)
        return "permission denied (ports below 1024 need privileges)";
    return error.message();
}

}  // namespace

struct WebSocketServer::Impl {
    struct Client {
        bool open = false;
        connection_hdl connection;
        uint64_t generation = 0;          // of its outbox
        ClientSession session;
        std::vector<uint32_t> advertised;  // the channels it was told about
        size_t unsentReplyBytes = 0;
        int64_t reportedDrops = 0;
        std::chrono::steady_clock::time_point lastDropReport{};
    };

    // Runs when websocketpp lets go of a frame we gave it: written, or its connection gone.
    // Frames go in prepared (our header, our buffer), so websocketpp writes them without a copy
    // and lets go only after the write; that is how a client's next frame is known to be due.
    struct Release {
        Impl* server;
        size_t client;
        uint64_t generation;
        bool data;
        void operator()(Message* message) const
        {
            server->Released(*this, *message);
            delete message;
        }
    };

    Impl(const ServerOptions& options, ChannelTable& channels, std::vector<std::unique_ptr<ClientOutbox>>& outboxes,
         WakeSignal& wake)
        : options(options), channels(channels), outboxes(outboxes), wake(wake), clients(outboxes.size())
    {
        endpoint.clear_access_channels(websocketpp::log::alevel::all);
        endpoint.clear_error_channels(websocketpp::log::elevel::all);
        endpoint.set_max_message_size(options.maxIncomingMessage);
        endpoint.set_max_http_body_size(0);
        endpoint.set_reuse_addr(true);
        // A frame goes out at once, not after the client's delayed acknowledgement of the one
        // before (40 ms). Set once the connection is accepted: websocketpp's socket-init handler
        // is called on a socket not yet open, where the option cannot be set.
        endpoint.set_tcp_pre_init_handler([this](connection_hdl connection) {
            asio::error_code ignored;
            if (const ConnectionPtr accepted = endpoint.get_con_from_hdl(connection, ignored))
                accepted->get_socket().set_option(asio::ip::tcp::no_delay(true), ignored);
        });
        endpoint.set_validate_handler([this](connection_hdl connection) { return Validate(connection); });
        endpoint.set_open_handler([this](connection_hdl connection) { Open(connection); });
        endpoint.set_close_handler([this](connection_hdl connection) { Closed(connection); });
        endpoint.set_message_handler(
            [this](connection_hdl connection, Endpoint::message_ptr message) { Received(connection, *message); });
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        sessionId = std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }

    bool Listen(const ListenAddress& address, std::string& reason)
    {
        asio::error_code error;
        const asio::ip::address ip = asio::ip::make_address(address.host, error);
        if (!error)
            endpoint.init_asio(&io, error);
        if (!error)
            endpoint.listen(asio::ip::tcp::endpoint(ip, address.port), error);
        if (!error)
            endpoint.start_accept(error);
        if (error) {
            reason = "Cannot listen on " + ListenAddressText(address) + ": " + ListenFailure(error);
            return false;
        }
        const int fd = wake.Duplicate();
        if (fd < 0) {
            reason = "Cannot serve: no file descriptor left for the server's wake-up";
            return false;
        }
        wakeReader.assign(fd);
        ReadWake();
        return true;
    }

    uint16_t Port()
    {
        asio::error_code error;
        return endpoint.get_local_endpoint(error).port();
    }

    void BeginStop()
    {
        stopping = true;
        asio::error_code ignored;
        endpoint.stop_listening(ignored);
        wakeReader.cancel(ignored);
        for (Client& client : clients) {
            if (client.open)
                endpoint.close(client.connection, websocketpp::close::status::going_away, "Server stopping", ignored);
        }
        if (OpenClients() == 0) {
            io.stop();
            return;
        }
        stopDeadline.expires_after(STOP_GRACE);
        stopDeadline.async_wait([this](const asio::error_code& error) {
            if (!error)
                io.stop();
        });
    }

    bool Validate(connection_hdl connection)
    {
        const ConnectionPtr con = endpoint.get_con_from_hdl(connection);
        for (const std::string& offered : con->get_requested_subprotocols()) {
            if (offered == FOXGLOVE_SUBPROTOCOL) {
                asio::error_code error;
                con->select_subprotocol(offered, error);
                return !error;
            }
        }
        con->set_status(websocketpp::http::status_code::bad_request);
        con->set_body(std::string("This is a Foxglove WebSocket server: connect with the ") + FOXGLOVE_SUBPROTOCOL +
                      " subprotocol.\n");
        return false;
    }

    void Open(connection_hdl connection)
    {
        const ConnectionPtr con = endpoint.get_con_from_hdl(connection);
        if (stopping) {
            asio::error_code ignored;
            con->close(websocketpp::close::status::going_away, "Server stopping", ignored);
            return;
        }
        const size_t index = FreeClient();
        if (index == NO_CLIENT) {
            Refuse(con);
            return;
        }
        Client& client = clients[index];
        client = Client{};
        client.open = true;
        client.connection = connection;
        client.generation = outboxes[index]->Open(con->get_remote_endpoint());
        SendText(index, con, ServerInfoText(options.name, sessionId));
        // The protocol wants an advertisement on every connection, even of no channel.
        SyncChannels(index, con, channels.Snapshot(), true);
    }

    void Refuse(const ConnectionPtr& con)
    {
        const std::string reason =
            "Too many clients: this server takes " + std::to_string(clients.size()) + " at once";
        asio::error_code ignored;
        con->send(StatusText(StatusLevel::Error, reason), frame::opcode::text);
        con->close(websocketpp::close::status::try_again_later, reason, ignored);
    }

    void Closed(connection_hdl connection)
    {
        const size_t index = ClientOf(connection);
        if (index != NO_CLIENT) {
            outboxes[index]->Close();
            clients[index] = Client{};
        }
        if (stopping && OpenClients() == 0)
            io.stop();
    }

    void Received(connection_hdl connection, Message& message)
    {
        const size_t index = ClientOf(connection);
        if (index == NO_CLIENT)
            return;
        Client& client = clients[index];
        const std::string& payload = message.get_payload();
        const ClientMessageOutcome outcome =
            message.get_opcode() == frame::opcode::text
                ? HandleClientText(payload, client.advertised, client.session)
                : HandleClientBinary(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
        if (outcome.subscriptionsChanged)
            outboxes[index]->SetSubscriptions(SubscriptionsOf(client.session));
        if (!outcome.reply.empty())
            SendText(index, endpoint.get_con_from_hdl(connection), outcome.reply);
    }

    // Tells the client of channels added and removed since it last heard; a removed channel
    // takes the client's subscription to it along.
    void SyncChannels(size_t index, const ConnectionPtr& con, const std::vector<Channel>& now, bool always)
    {
        Client& client = clients[index];
        std::vector<Channel> added;
        std::vector<uint32_t> current;
        for (const Channel& channel : now) {
            current.push_back(channel.id);
            if (std::find(client.advertised.begin(), client.advertised.end(), channel.id) == client.advertised.end())
                added.push_back(channel);
        }
        std::vector<uint32_t> removed;
        for (const uint32_t id : client.advertised) {
            if (std::find(current.begin(), current.end(), id) == current.end())
                removed.push_back(id);
        }
        client.advertised = current;
        if (!removed.empty()) {
            auto& subscriptions = client.session.channelOf;
            for (auto entry = subscriptions.begin(); entry != subscriptions.end();) {
                const bool gone = std::find(removed.begin(), removed.end(), entry->second) != removed.end();
                entry = gone ? subscriptions.erase(entry) : std::next(entry);
            }
            outboxes[index]->SetSubscriptions(SubscriptionsOf(client.session));
            SendText(index, con, UnadvertiseText(removed));
        }
        if (!added.empty() || always)
            SendText(index, con, AdvertiseText(added));
    }

    void ReadWake()
    {
        wakeReader.async_read_some(asio::buffer(&wakeCount, sizeof wakeCount),
                                   [this](const asio::error_code& error, size_t) {
                                       if (error || stopping)
                                           return;
                                       Woken();
                                       ReadWake();
                                   });
    }

    // Something was published, a frame was written, or the channels changed.
    void Woken()
    {
        const uint64_t version = channels.Version();
        if (version != channelVersion) {
            channelVersion = version;
            const std::vector<Channel> now = channels.Snapshot();
            for (size_t index = 0; index < clients.size(); ++index) {
                if (const ConnectionPtr con = OpenConnection(index))
                    SyncChannels(index, con, now, false);
            }
        }
        for (size_t index = 0; index < clients.size(); ++index) {
            if (const ConnectionPtr con = OpenConnection(index))
                SendNext(index, con);
        }
    }

    void SendNext(size_t index, const ConnectionPtr& con)
    {
        std::string frame;
        if (!outboxes[index]->TakeNext(frame))
            return;
        ReportDrops(index, con);
        SendFrame(index, con, frame::opcode::binary, frame, true);
    }

    // At most once a second, and only when the client reads again: a stalled client gets no
    // pile of reports.
    void ReportDrops(size_t index, const ConnectionPtr& con)
    {
        Client& client = clients[index];
        const int64_t dropped = outboxes[index]->Counts().dropped;
        const auto now = std::chrono::steady_clock::now();
        if (dropped == client.reportedDrops || now - client.lastDropReport < DROP_REPORT_INTERVAL)
            return;
        client.reportedDrops = dropped;
        client.lastDropReport = now;
        SendText(index, con,
                 StatusText(StatusLevel::Warning,
                            "Connection too slow: " + std::to_string(dropped) +
                                " messages dropped so far, the oldest first",
                            DROP_STATUS_ID));
    }

    void SendText(size_t index, const ConnectionPtr& con, std::string text)
    {
        Client& client = clients[index];
        if (client.unsentReplyBytes > REPLY_BACKLOG_LIMIT) {
            asio::error_code ignored;
            con->close(websocketpp::close::status::policy_violation, "Replies not read", ignored);
            return;
        }
        client.unsentReplyBytes += text.size();
        SendFrame(index, con, frame::opcode::text, text, false);
    }

    void SendFrame(size_t index, const ConnectionPtr& con, frame::opcode::value opcode, std::string& payload, bool data)
    {
        const size_t size = payload.size();
        Endpoint::message_ptr message(new Message(Message::con_msg_man_ptr(), opcode, 0),
                                      Release{this, index, clients[index].generation, data});
        message->get_raw_payload().swap(payload);
        message->set_header(
            frame::prepare_header(frame::basic_header(opcode, size, true, false), frame::extended_header(size)));
        message->set_prepared(true);
        // A connection that is no longer open refuses it, and the release takes the frame back.
        con->send(message);
    }

    void Released(const Release& release, Message& message)
    {
        if (release.data) {
            outboxes[release.client]->Returned(release.generation, message.get_raw_payload());
        } else if (clients[release.client].generation == release.generation) {
            clients[release.client].unsentReplyBytes -= message.get_payload().size();
        }
        wake.Notify();
    }

    ConnectionPtr OpenConnection(size_t index)
    {
        if (!clients[index].open)
            return nullptr;
        asio::error_code error;
        ConnectionPtr con = endpoint.get_con_from_hdl(clients[index].connection, error);
        if (error || con->get_state() != websocketpp::session::state::open)
            return nullptr;
        return con;
    }

    size_t ClientOf(connection_hdl connection) const
    {
        for (size_t index = 0; index < clients.size(); ++index) {
            const connection_hdl& known = clients[index].connection;
            if (clients[index].open && !known.owner_before(connection) && !connection.owner_before(known))
                return index;
        }
        return NO_CLIENT;
    }

    size_t FreeClient() const
    {
        for (size_t index = 0; index < clients.size(); ++index) {
            if (!clients[index].open)
                return index;
        }
        return NO_CLIENT;
    }

    size_t OpenClients() const
    {
        return static_cast<size_t>(
            std::count_if(clients.begin(), clients.end(), [](const Client& client) { return client.open; }));
    }

    static std::vector<Subscription> SubscriptionsOf(const ClientSession& session)
    {
        std::vector<Subscription> subscriptions;
        for (const auto& [id, channel] : session.channelOf)
            subscriptions.push_back({channel, id});
        return subscriptions;
    }

    const ServerOptions options;
    ChannelTable& channels;
    std::vector<std::unique_ptr<ClientOutbox>>& outboxes;
    WakeSignal& wake;
    // Declared before the event loop and the endpoint, so that it outlives the frames they
    // release when they go.
    std::vector<Client> clients;
    std::string sessionId;
    uint64_t channelVersion = 0;
    bool stopping = false;
    uint64_t wakeCount = 0;
    asio::io_context io;
    asio::posix::stream_descriptor wakeReader{io};
    asio::steady_timer stopDeadline{io};
    Endpoint endpoint;
};

WebSocketServer::WebSocketServer(const ServerOptions& options, ChannelTable& channels,
                                 std::vector<std::unique_ptr<ClientOutbox>>& outboxes, WakeSignal& wake)
    : m_impl(std::make_unique<Impl>(options, channels, outboxes, wake))
{
}

WebSocketServer::~WebSocketServer() = default;

bool WebSocketServer::Listen(const ListenAddress& address, std::string& reason)
{
    return m_impl->Listen(address, reason);
}

uint16_t WebSocketServer::Port() const
{
    return m_impl->Port();
}

void WebSocketServer::Run()
{
    m_impl->io.run();
}

void WebSocketServer::RequestStop()
{
    asio::post(m_impl->io, [impl = m_impl.get()] { impl->BeginStop(); });
}
