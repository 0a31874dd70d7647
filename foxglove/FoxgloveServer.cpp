#include "foxglove/FoxgloveServer.h"

#include "foxglove/ClientOutbox.h"
#include "foxglove/WebSocketServer.h"

FoxgloveServer::FoxgloveServer(ServerOptions options) : m_options(std::move(options))
{
    for (size_t k = 0; k < m_options.maxClients; ++k)
        m_outboxes.push_back(std::make_unique<ClientOutbox>(m_options.queueLength));
}

FoxgloveServer::~FoxgloveServer()
{
    Stop();
}

bool FoxgloveServer::Start(const ListenAddress& address, std::string& reason)
{
    Stop();
    if (!m_wake.Valid()) {
        reason = "Cannot serve: no file descriptor left for the server's wake-up";
        return false;
    }
    auto server = std::make_unique<WebSocketServer>(m_options, m_channels, m_outboxes, m_wake);
    if (!server->Listen(address, reason))
        return false;
    m_port = server->Port();
    m_server = std::move(server);
    m_thread = std::thread([server = m_server.get()] { server->Run(); });
    return true;
}

void FoxgloveServer::Stop()
{
    if (m_thread.joinable()) {
        m_server->RequestStop();
        m_thread.join();
    }
    // Connections still there (a client that never answered the closing) go with the server.
    m_server.reset();
    for (const auto& outbox : m_outboxes)
        outbox->Close();
    m_port = 0;
}

uint32_t FoxgloveServer::AddChannel(ChannelInfo info)
{
    const uint32_t id = m_channels.Add(std::move(info));
    m_wake.Notify();
    return id;
}

void FoxgloveServer::RemoveChannel(uint32_t channel)
{
    if (m_channels.Remove(channel))
        m_wake.Notify();
}

int FoxgloveServer::Publish(uint32_t channel, uint64_t timestampNs, const uint8_t* payload, size_t size)
{
    int clients = 0;
    for (const auto& outbox : m_outboxes) {
        if (outbox->Offer(channel, timestampNs, payload, size))
            ++clients;
    }
    if (clients > 0)
        m_wake.Notify();
    return clients;
}

ServerCounters FoxgloveServer::Counters() const
{
    ServerCounters counters;
    for (const auto& outbox : m_outboxes) {
        const OutboxCounts counts = outbox->Counts();
        counters.clients += counts.open ? 1 : 0;
        counters.sent += counts.totalSent;
        counters.dropped += counts.totalDropped;
    }
    return counters;
}

std::vector<ClientCounters> FoxgloveServer::Clients() const
{
    std::vector<ClientCounters> clients;
    for (const auto& outbox : m_outboxes) {
        OutboxCounts counts = outbox->Counts();
        if (counts.open)
            clients.push_back({std::move(counts.address), counts.sent, counts.dropped});
    }
    return clients;
}
