#include "ui/ServeBox.h"

#include <QCheckBox>

#include "run/OutputStage.h"

namespace {

bool Chinese(DialogLanguage language)
{
    return language == DialogLanguage::Chinese;
}

constexpr int TOOLTIP_MS = 1000;

}  // namespace

ServeBox::ServeBox(const ListenAddress& address, DialogLanguage language)
    : m_address(address), m_language(language)
{
}

ServeBox::~ServeBox()
{
    m_server.Stop();
}

QCheckBox* ServeBox::Box()
{
    if (m_box)
        return m_box;
    m_box = new QCheckBox(Caption(m_address));
    QObject::connect(m_box, &QCheckBox::clicked, &m_timer, [this](bool checked) { m_server.SetSending(checked); });
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { RefreshToolTip(); });
    return m_box;
}

bool ServeBox::Start(const OutputStage& stage, QString& reason)
{
    std::string why;
    const bool started = m_server.Start(m_address, [&stage] { return stage.Drops(); }, why);
    Box()->setChecked(started);
    m_box->setEnabled(started);
    if (!started) {
        reason = QString::fromStdString(why);
        m_box->setToolTip(reason);
        return false;
    }
    m_box->setText(Caption(m_server.Address()));  // the port the system chose, when asked for 0
    RefreshToolTip();
    m_timer.start(TOOLTIP_MS);
    return true;
}

QString ServeBox::NoteText() const
{
    const QString url = QString::fromStdString(m_server.Url());
    return Chinese(m_language) ? QStringLiteral("Foxglove 服务：在 Foxglove 或 Lichtblick 中打开连接 %1").arg(url)
                               : QStringLiteral("Serving to Foxglove and Lichtblick: open connection %1").arg(url);
}

QString ServeBox::Caption(const ListenAddress& address) const
{
    return (Chinese(m_language) ? QStringLiteral("服务 ") : QStringLiteral("Serve ")) +
           QString::fromStdString(ListenAddressText(address));
}

void ServeBox::RefreshToolTip()
{
    const ServerCounters counters = m_server.Server().Counters();
    const QString url = QString::fromStdString(m_server.Url());
    const QString text = Chinese(m_language)
                             ? QStringLiteral("在 %1 上以 Foxglove WebSocket 协议发送每一圈（/scan）和链路状态（/plotwell/health）\n"
                                              "客户端：%2，已发送消息：%3，慢客户端丢失：%4")
                             : QStringLiteral("Every revolution (/scan) and the link's health (/plotwell/health) "
                                              "over the Foxglove WebSocket protocol at %1\n"
                                              "Clients: %2, messages sent: %3, lost by slow clients: %4");
    m_box->setToolTip(text.arg(url).arg(counters.clients).arg(counters.sent).arg(counters.dropped));
}
