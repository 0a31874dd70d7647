#include "ViewFixture.h"

#include <cstring>
#include <memory>
#include <mutex>

namespace {

// One application for the whole program, made before the first test and destroyed after the
// last one, while Qt's own globals still exist.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_view";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] ::testing::Environment* const QT_ENVIRONMENT =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

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
