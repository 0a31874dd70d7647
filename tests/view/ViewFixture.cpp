#include "ViewFixture.h"

#include <cstring>
#include <mutex>

void SetPoints(const std::vector<TestPoint>& points)
{
    std::lock_guard<std::mutex> lock(g_PointListMutex);
    std::memset(&g_PointList, 0, sizeof g_PointList);
    g_PointList.count = static_cast<int32_t>(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        g_PointList.angle[i] = points[i].angle;
        g_PointList.distance[i] = points[i].distance;
    }
}

bool IsColour(const QImage& image, int x, int y, QColor colour)
{
    return image.rect().contains(x, y) && image.pixelColor(x, y) == colour;
}

bool ColourNear(const QImage& image, int x, int y, int reach, QColor colour)
{
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (IsColour(image, x + dx, y + dy, colour))
                return true;
    return false;
}

int CountColour(const QImage& image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

void ViewTest::SetUp()
{
    ResetSharedState();
    g_bDragging = false;
    Resize(400, 400);
}

void ViewTest::TearDown() { ResetSharedState(); }

void ViewTest::Resize(int width, int height)
{
    view.resize(width, height);
    view.InitView();
}
