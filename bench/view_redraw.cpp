// Cost of a full polar-view redraw with a full revolution (16000 points) on a 1000 x 1000 view
// (logical pixels; QT_SCALE_FACTOR sets the device pixel ratio),
// with and without the points, against drawing each point with its own QPainter::drawEllipse.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <cmath>
#include <mutex>

#include "acquisition/SharedState.h"
#include "view/ImageCoord.h"
#include "view/ViewGeometry.h"

namespace {

constexpr int VIEW_SIZE = 1000;
constexpr int RANGE_4M = 4;

QApplication& Application()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_view_redraw";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing it down among the static objects crashes at exit.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// A room of about 3 x 4 m seen from inside, every point with a return.
void FillRevolution()
{
    std::lock_guard<std::mutex> lock(g_PointListMutex);
    g_PointList.count = SCAN_CAPACITY;
    for (int i = 0; i < SCAN_CAPACITY; ++i) {
        const double angle = i * 360.0 / SCAN_CAPACITY;
        const double radians = angle * 3.141592653589793 / 180.0;
        const double toWallX = 2000.0 / std::max(std::abs(std::cos(radians)), 1e-6);
        const double toWallY = 1500.0 / std::max(std::abs(std::sin(radians)), 1e-6);
        g_PointList.angle[i] = static_cast<float>(angle);
        g_PointList.distance[i] = static_cast<int16_t>(std::min(toWallX, toWallY) + (i % 7));
    }
}

struct Scene {
    Scene()
    {
        FillRevolution();
        view.resize(VIEW_SIZE, VIEW_SIZE);
        view.InitView();
        view.SetRange(RANGE_4M, CImageCoord::Recentre, QPoint());
    }
    // The application must exist before the view.
    QApplication& application = Application();
    CImageCoord view;
};

// Run with QT_SCALE_FACTOR=2 for a high-density screen: the ratio counter shows the surface's.
void BM_Redraw(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state)
        scene.view.Redraw();
    state.counters["ratio"] = scene.view.Surface().devicePixelRatio();
}
BENCHMARK(BM_Redraw)->Unit(benchmark::kMillisecond);

// On a shown widget Present also copies the surface to the window's backing store.
void BM_RedrawShown(benchmark::State& state)
{
    Scene scene;
    scene.view.show();
    QApplication::processEvents();
    for (auto _ : state)
        scene.view.Redraw();
}
BENCHMARK(BM_RedrawShown)->Unit(benchmark::kMillisecond);

void BM_RedrawWithMarkerReadout(benchmark::State& state)
{
    Scene scene;
    scene.view.OnLButtonDown(QPoint(800, 300));
    for (auto _ : state)
        scene.view.Redraw();
}
BENCHMARK(BM_RedrawWithMarkerReadout)->Unit(benchmark::kMillisecond);

// Grid and overlay alone: BM_Redraw less this is the point pass.
void BM_RedrawEmptyList(benchmark::State& state)
{
    Scene scene;
    {
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        g_PointList.count = 0;
    }
    for (auto _ : state)
        scene.view.Redraw();
}
BENCHMARK(BM_RedrawEmptyList)->Unit(benchmark::kMillisecond);

// The same points, one drawEllipse each: what the stamping replaces.
void BM_PointPassOneEllipseEach(benchmark::State& state)
{
    Scene scene;
    QImage surface = scene.view.Surface().copy();
    const QPen pen(QColor(0, 255, 255), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    for (auto _ : state) {
        QPainter painter(&surface);
        painter.setPen(pen);
        for (int i = 0; i < g_PointList.count; ++i) {
            const PixelBox box = PointBox({VIEW_SIZE / 2, VIEW_SIZE / 2}, scene.view.Scale(), 360.0f - g_PointList.angle[i],
                                          g_PointList.distance[i] / 1000.0f, 1);
            painter.drawEllipse(QRectF(box.left, box.top, box.right - box.left, box.bottom - box.top));
        }
    }
}
BENCHMARK(BM_PointPassOneEllipseEach)->Unit(benchmark::kMillisecond);

}  // namespace
