// Every model's demo: the window draws the simulated room where `plotwell-tool simulate --model M
// | plotwell-tool decode --model M -` places it, in each protocol's own sweep direction.
#include <QImage>
#include <QSignalSpy>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "DialogFixture.h"
#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"
#include "tests/support/BuiltProgram.h"
#include "ui/DemoScanner.h"
#include "view/MarkerReadout.h"
#include "view/ViewGeometry.h"

namespace {

struct DecodedPoint {
    float angle;
    int distance;
};

// What the tool decodes from a few simulated revolutions of `model`, every point with a return,
// filtered and compensated as the window starts.
std::vector<DecodedPoint> DecodedBySimulateAndDecode(const DeviceModel& model)
{
    const std::string tool = BuiltProgram("PLOTWELL_TOOL", PLOTWELL_TOOL);
    const std::string command = "'" + tool + "' simulate --model " + model.szName + " --frames 4 | '" + tool +
                                "' decode --model " + model.szName + " --filter 2.5 --compensation formula -";
    std::vector<DecodedPoint> points;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return points;
    char line[256];
    long frame = 0;
    long index = 0;
    DecodedPoint point{};
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        if (std::sscanf(line, "%ld,%ld,%f,%d", &frame, &index, &point.angle, &point.distance) == 4 &&
            point.distance > 0)
            points.push_back(point);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return points;
}

bool PointColour(QRgb pixel)
{
    return qRed(pixel) < 100 && qGreen(pixel) > 180 && qBlue(pixel) > 180;
}

// Centre of the ring the view draws for `point`.
QPoint Drawn(const CImageCoord& view, SweepDirection direction, const DecodedPoint& point)
{
    const PixelBox box = PointBox({view.Origin().x(), view.Origin().y()}, view.Scale(),
                                  DrawnAngle(point.angle, direction), static_cast<float>(point.distance) / 1000.0f, 1);
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

// Shares of the decoded points that have a drawn point near them, and of the drawn point pixels
// that have a decoded point near them: both near 1 when the picture is the same room, the same
// way round, at the same place and scale.
struct Agreement {
    double decodedSeen = 0.0;
    double drawnExplained = 0.0;
};

Agreement Compare(const QImage& surface, const CImageCoord& view, SweepDirection direction,
                  const std::vector<DecodedPoint>& decoded)
{
    constexpr int NEAR = 5;  // pixels: a ring's own size plus the room's noise between revolutions
    QImage explained(surface.size(), QImage::Format_Grayscale8);
    explained.fill(0);
    int inside = 0;
    int seen = 0;
    for (const DecodedPoint& point : decoded) {
        const QPoint centre = Drawn(view, direction, point);
        if (!surface.rect().contains(centre))
            continue;
        ++inside;
        bool found = false;
        for (int y = centre.y() - NEAR; y <= centre.y() + NEAR; ++y) {
            for (int x = centre.x() - NEAR; x <= centre.x() + NEAR; ++x) {
                if (!surface.rect().contains(x, y))
                    continue;
                found = found || PointColour(surface.pixel(x, y));
                explained.setPixel(x, y, 255);
            }
        }
        seen += found ? 1 : 0;
    }
    int drawn = 0;
    int near = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if (!PointColour(surface.pixel(x, y)))
                continue;
            ++drawn;
            near += qGray(explained.pixel(x, y)) != 0 ? 1 : 0;
        }
    }
    return {inside > 0 ? static_cast<double>(seen) / inside : 0.0, drawn > 0 ? static_cast<double>(near) / drawn : 0.0};
}

}  // namespace

TEST_F(DialogTest, EveryModelsDemoDrawsTheRoomWhereDecodePlacesIt)
{
    for (int i = 0; g_Models[i] != nullptr; ++i) {
        const DeviceModel& model = *g_Models[i];
        SCOPED_TRACE(model.szName);
        const std::vector<DecodedPoint> decoded = DecodedBySimulateAndDecode(model);
        ASSERT_GT(decoded.size(), 500u);

        std::string reason;
        std::unique_ptr<PseudoTerminalScanner> demo = StartDemoScanner(model, &reason);
        ASSERT_TRUE(demo) << reason;
        MakeDialog(DialogLanguage::English, {demo->Path()});
        QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
        OpenDemo(*dialog, demo->Path(), model);
        ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE") << messages.join('|').toStdString();
        ASSERT_TRUE(WaitFor([&] { return shown.count() >= 3; }, 10000)) << shown.count();

        const CImageCoord& view = dialog->View();
        const SweepDirection direction = ProtocolFor(CodesForName(model.szName).protocol).direction;
        const Agreement agreement = Compare(view.Surface(), view, direction, decoded);
        EXPECT_GT(agreement.decodedSeen, 0.9);
        EXPECT_GT(agreement.drawnExplained, 0.9);
        // The same points drawn the other way round are another room.
        const SweepDirection mirrored =
            direction == SweepDirection::Clockwise ? SweepDirection::CounterClockwise : SweepDirection::Clockwise;
        EXPECT_LT(Compare(view.Surface(), view, mirrored, decoded).decodedSeen, 0.6);
        dialog.reset();  // ends acquisition before the demo's terminal goes
    }
}
