// Space holds the picture on one revolution while the scanner goes on; Ctrl+S saves the
// revolution on screen as a PNG and a CSV in the record folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "FilesDialogFixture.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/PseudoTerminalScanner.h"

namespace {

// The degrees of a direction on screen, counter-clockwise from the right, in 0..360.
double ScreenDegrees(double right, double up)
{
    const double degrees = std::atan2(up, right) * 180.0 / std::numbers::pi;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

}  // namespace

TEST_F(FilesDialogTest, FrozenPictureKeepsItsRevolutionAndReadoutWhileRevolutionsArriveAndIsSavedWhole)
{
    SimulatedScannerSettings settings;
    settings.protocol = 1;
    PseudoTerminalScanner scanner(settings, g_ModelTR20_A.nBaudRate);
    std::string reason;
    ASSERT_TRUE(scanner.Open(&reason) && scanner.Start(&reason)) << reason;
    // Statistics after three readouts: a revolution redrawn while frozen would add the third.
    Store(g_nStatPoints, 3);
    ShowDialog(DialogLanguage::English, {scanner.Path()});
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    Button(ControlId::OPEN_CLOSE)->click();
    ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE") << messages.join('|').toStdString();
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= 2; }, 10000));
    CImageCoord& view = dialog->View();
    const QPoint marker = view.Origin() + QPoint(60, -40);
    view.OnLButtonDown(marker);

    // Space on the focused CLOSE button freezes the picture and leaves the port open.
    QTest::keyClick(Button(ControlId::OPEN_CLOSE), Qt::Key_Space);
    ASSERT_TRUE(view.IsFrozen());
    EXPECT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE");
    const QImage picture = view.Surface().copy();
    const QString readout = view.OverlayLines().value(0);
    const int before = shown.count();
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= before + 3; }, 10000));
    EXPECT_TRUE(view.Surface() == picture) << "a revolution arriving while frozen was drawn";
    EXPECT_TRUE(Text(ControlId::RECEIVE).startsWith("Frozen  Receive:")) << Text(ControlId::RECEIVE).toStdString();
    // The marker measures the frozen revolution, not the newest one.
    view.OnLButtonDown(marker);
    EXPECT_EQ(view.OverlayLines().value(0).toStdString(), readout.toStdString());

    QTest::keyClick(dialog.get(), Qt::Key_S, Qt::ControlModifier);
    const QStringList saved = QDir(QString::fromStdString(recordDir)).entryList({"Revolution_*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(saved.size(), 2) << saved.join(' ').toStdString();
    const QRegularExpression named(R"(^Revolution_\d{8}_\d{6}\.csv$)");
    EXPECT_TRUE(named.match(saved[0]).hasMatch()) << saved[0].toStdString();
    EXPECT_EQ(QFileInfo(saved[1]).completeBaseName() + ".csv", saved[0]);
    const QString folder = QString::fromStdString(recordDir) + '/';
    EXPECT_EQ(Text(ControlId::FILE_NOTE), "Saved: " + folder + saved[1] + " and its .csv");
    EXPECT_TRUE(QImage(folder + saved[1]).convertToFormat(picture.format()) == view.Surface());

    // The readout's point is in the file, where the picture shows it: in the marker's direction.
    const QRegularExpressionMatch point = QRegularExpression(R"(^i = (\d+), Angle=([\d.]+)°)").match(readout);
    ASSERT_TRUE(point.hasMatch()) << readout.toStdString();
    QFile csv(folder + saved[0]);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], "index,angle_deg,distance_mm,x_m,y_m");
    const auto row = std::find_if(lines.begin(), lines.end(), [&](const QString& line) { return line.startsWith(point.captured(1) + ','); });
    ASSERT_NE(row, lines.end()) << point.captured(1).toStdString();
    const QStringList fields = row->split(',');
    ASSERT_EQ(fields.size(), 5);
    EXPECT_NEAR(fields[1].toDouble(), point.captured(2).toDouble(), 0.006);
    const QPoint towards = marker - view.Origin();
    EXPECT_NEAR(ScreenDegrees(fields[3].toDouble(), fields[4].toDouble()), ScreenDegrees(towards.x(), -towards.y()), 3.0);

    // Space again: the newest revolution is drawn.
    QTest::keyClick(Button(ControlId::OPEN_CLOSE), Qt::Key_Space);
    EXPECT_FALSE(view.IsFrozen());
    EXPECT_TRUE(WaitFor([&] { return !(view.Surface() == picture); }, 5000));
    dialog.reset();  // ends acquisition before the scanner's terminal goes
}
