// The built-in demo: its pseudo-terminal opens like a serial port and live revolutions arrive.
#include <QSignalSpy>

#include "DialogFixture.h"
#include "protocols/DeviceModel.h"
#include "run/PseudoTerminalScanner.h"

TEST_F(DialogTest, DemoScannerStreamsLiveRevolutions)
{
    SimulatedScannerSettings settings;
    settings.protocol = 1;
    PseudoTerminalScanner demo(settings, g_ModelTR20_A.nBaudRate);
    std::string reason;
    ASSERT_TRUE(demo.Open(&reason)) << reason;
    ASSERT_TRUE(demo.Start(&reason)) << reason;

    MakeDialog(DialogLanguage::English, {demo.Path()});
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    Button(ControlId::OPEN_CLOSE)->click();
    ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE") << messages.join('|').toStdString();
    EXPECT_TRUE(WaitFor([&] { return shown.count() >= 3; }, 10000)) << shown.count();
    dialog.reset();  // ends acquisition before the demo's terminal goes
}
