#include "serve/RevolutionServer.h"

#include "messages/LaserScanDefinition.h"
#include "serve/HealthMessage.h"

RevolutionServer::RevolutionServer(ScanOptions scan, ServerOptions options)
    : m_server(std::move(options)),
      m_healthChannel(m_server.AddChannel({HEALTH_TOPIC, "json", "plotwell/Health", HealthMessageSchema(), "jsonschema"})),
      m_scanOutput(m_server,
                   m_server.AddChannel({SCAN_TOPIC, "cdr", LASER_SCAN_SCHEMA_NAME, LASER_SCAN_DEFINITION,
                                        LASER_SCAN_SCHEMA_ENCODING}),
                   m_sending, scan.bins, std::move(scan.frameId))
{
}

RevolutionServer::~RevolutionServer()
{
    Stop();
}

bool RevolutionServer::Start(const ListenAddress& address, HealthPublisher::DropsReader drops, std::string& reason)
{
    Stop();
    if (!m_server.Start(address, reason))
        return false;
    m_address = address;
    m_address.port = m_server.Port();
    m_health = std::make_unique<HealthPublisher>(m_server, m_healthChannel, std::move(drops), m_sending);
    if (!m_health->Start()) {
        reason = "Cannot serve: no thread for the link's health";
        Stop();
        return false;
    }
    return true;
}

void RevolutionServer::Stop()
{
    m_health.reset();  // its thread ends first: it publishes on the server
    m_server.Stop();
}

std::string RevolutionServer::Url() const
{
    return "ws://" + ListenAddressText(m_address);
}
