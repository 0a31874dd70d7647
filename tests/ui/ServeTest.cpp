// The Foxglove server in the window: with --serve the live revolutions reach a WebSocket client
// while the Serve box is checked, the note line says where to connect, and an address already
// taken is said and leaves the box off.
#include <memory>
#include <optional>

#include "DialogFixture.h"
#include "ScanClient.h"
#include "protocols/DeviceModel.h"
#include "run/PseudoTerminalScanner.h"

namespace {

// The next scan, handling the window's events while waiting.
std::optional<LaserScan> NextScan(ScanClient& client)
{
    std::optional<LaserScan> scan;
    WaitFor([&] { return (scan = client.NextScan(std::chrono::milliseconds(10))).has_value(); }, 10000);
    return scan;
}

}  // namespace

TEST_F(DialogTest, ServesLiveRevolutionsWhileTheServeBoxIsChecked)
{
    SimulatedScannerSettings settings;
    settings.protocol = 1;
    PseudoTerminalScanner scanner(settings, g_ModelTR20_A.nBaudRate);
    std::string reason;
    ASSERT_TRUE(scanner.Open(&reason)) << reason;
    ASSERT_TRUE(scanner.Start(&reason)) << reason;

    MakeDialog(DialogLanguage::English, {scanner.Path()}, {}, ListenAddress{"127.0.0.1", 0});
    ASSERT_TRUE(Button(ControlId::SERVE)->isChecked()) << messages.join('|').toStdString();
    const QString caption = Text(ControlId::SERVE);
    ASSERT_TRUE(caption.startsWith("Serve 127.0.0.1:")) << caption.toStdString();
    const uint16_t port = caption.section(':', 1).toUShort();
    ASSERT_NE(port, 0) << "the caption names the port the system chose";
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).contains(QStringLiteral("ws://127.0.0.1:%1").arg(port)))
        << Text(ControlId::FILE_NOTE).toStdString();

    ScanClient client;
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.Subscribe("/scan"));
    Button(ControlId::OPEN_CLOSE)->click();
    std::optional<LaserScan> scan = NextScan(client);
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->ranges.size(), 500u);

    Button(ControlId::SERVE)->click();
    Settle(300);  // a scan already on its way may still arrive
    while (client.NextScan(std::chrono::milliseconds(1))) {
    }
    Settle(500);
    EXPECT_FALSE(client.NextScan(std::chrono::milliseconds(1)).has_value()) << "a scan while the box was off";
    Button(ControlId::SERVE)->click();
    EXPECT_TRUE(NextScan(client).has_value());

    // A second window asking for the same port.
    const std::unique_ptr<CPlotwellDlg> first = std::move(dialog);
    MakeDialog(DialogLanguage::English, {}, {}, ListenAddress{"127.0.0.1", port});
    EXPECT_FALSE(Button(ControlId::SERVE)->isChecked());
    EXPECT_FALSE(Button(ControlId::SERVE)->isEnabled());
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.back().contains("Foxglove Server Not Started")) << messages.back().toStdString();
    EXPECT_TRUE(messages.back().contains("already in use")) << messages.back().toStdString();
    dialog.reset();
}
