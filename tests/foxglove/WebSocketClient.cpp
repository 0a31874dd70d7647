#include "WebSocketClient.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <websocketpp/client.hpp>
#include <websocketpp/config/asio_no_tls_client.hpp>

namespace {
using Endpoint = websocketpp::client<websocketpp::config::asio_client>;
}

struct WebSocketClient::Impl {
    explicit Impl(bool keepMessages) : keep(keepMessages)
    {
        endpoint.clear_access_channels(websocketpp::log::alevel::all);
        endpoint.clear_error_channels(websocketpp::log::elevel::all);
        endpoint.init_asio(&io);
        endpoint.start_perpetual();
        thread = std::thread([this] { io.run(); });
    }

    ~Impl()
    {
        endpoint.stop_perpetual();
        io.stop();
        thread.join();
    }

    template <typename Predicate>
    bool WaitFor(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds timeout, Predicate predicate)
    {
        return changed.wait_for(lock, timeout, predicate);
    }

    const bool keep;
    asio::io_context io;
    Endpoint endpoint;
    std::thread thread;
    Endpoint::connection_ptr connection;

    std::mutex mutex;  // guards everything below
    std::condition_variable changed;
    bool opened = false;
    bool failed = false;
    bool closed = false;
    int handshakeStatus = 0;
    std::string subprotocol;
    WebSocketClient::Closing closing;
    std::deque<WebSocketClient::Message> received;
    int64_t count = 0;
};

WebSocketClient::WebSocketClient(bool keepMessages) : m_impl(std::make_unique<Impl>(keepMessages)) {}

WebSocketClient::~WebSocketClient() = default;

bool WebSocketClient::Connect(uint16_t port, const std::string& subprotocol, std::chrono::milliseconds timeout)
{
    Impl& impl = *m_impl;
    asio::error_code error;
    impl.connection = impl.endpoint.get_connection("ws://127.0.0.1:" + std::to_string(port) + "/", error);
    if (error)
        return false;
    if (!subprotocol.empty())
        impl.connection->add_subprotocol(subprotocol);
    impl.connection->set_open_handler([&impl](websocketpp::connection_hdl) {
        std::lock_guard lock(impl.mutex);
        impl.opened = true;
        impl.subprotocol = impl.connection->get_response_header("Sec-WebSocket-Protocol");
        impl.changed.notify_all();
    });
    impl.connection->set_fail_handler([&impl](websocketpp::connection_hdl) {
        std::lock_guard lock(impl.mutex);
        impl.failed = true;
        impl.handshakeStatus = impl.connection->get_response().get_status_code();
        impl.changed.notify_all();
    });
    impl.connection->set_close_handler([&impl](websocketpp::connection_hdl) {
        std::lock_guard lock(impl.mutex);
        impl.closed = true;
        impl.closing = {impl.connection->get_remote_close_code(), impl.connection->get_remote_close_reason()};
        impl.changed.notify_all();
    });
    impl.connection->set_message_handler([&impl](websocketpp::connection_hdl, Endpoint::message_ptr message) {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(impl.mutex);
        ++impl.count;
        if (impl.keep)
            impl.received.push_back({message->get_opcode() == websocketpp::frame::opcode::binary,
                                 std::move(message->get_raw_payload()), now});
        impl.changed.notify_all();
    });
    impl.endpoint.connect(impl.connection);
    std::unique_lock lock(impl.mutex);
    impl.WaitFor(lock, timeout, [&impl] { return impl.opened || impl.failed; });
    return impl.opened;
}

int WebSocketClient::HandshakeStatus() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->handshakeStatus;
}

std::string WebSocketClient::Subprotocol() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->subprotocol;
}

void WebSocketClient::SendText(const std::string& text)
{
    m_impl->connection->send(text, websocketpp::frame::opcode::text);
}

void WebSocketClient::SendBinary(const std::string& bytes)
{
    m_impl->connection->send(bytes, websocketpp::frame::opcode::binary);
}

std::optional<WebSocketClient::Message> WebSocketClient::Next(std::chrono::milliseconds timeout)
{
    Impl& impl = *m_impl;
    std::unique_lock lock(impl.mutex);
    if (!impl.WaitFor(lock, timeout, [&impl] { return !impl.received.empty() || impl.closed; }) ||
        impl.received.empty())
        return std::nullopt;
    Message message = std::move(impl.received.front());
    impl.received.pop_front();
    return message;
}

int64_t WebSocketClient::Received() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->count;
}

void WebSocketClient::StopReading()
{
    asio::post(m_impl->io, [connection = m_impl->connection] { connection->pause_reading(); });
}

void WebSocketClient::ResumeReading()
{
    asio::post(m_impl->io, [connection = m_impl->connection] { connection->resume_reading(); });
}

// The connection's state belongs to the client's thread: what the test asks of it is posted
// there rather than done from the test's thread beside a read in progress.
void WebSocketClient::Close()
{
    asio::post(m_impl->io, [connection = m_impl->connection] {
        asio::error_code ignored;
        connection->close(websocketpp::close::status::normal, "", ignored);
    });
    WaitClosed();
}

std::optional<WebSocketClient::Closing> WebSocketClient::WaitClosed(std::chrono::milliseconds timeout)
{
    Impl& impl = *m_impl;
    std::unique_lock lock(impl.mutex);
    if (!impl.WaitFor(lock, timeout, [&impl] { return impl.closed; }))
        return std::nullopt;
    return impl.closing;
}
