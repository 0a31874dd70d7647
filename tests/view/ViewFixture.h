// Shared set-up of the view tests: one Qt application (offscreen platform), a square view
// after InitView, a clean point list and small pixel probes of the off-screen surface.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QString>
#include <ostream>
#include <vector>

#include "acquisition/SharedState.h"
#include "view/ImageCoord.h"

// Readable failure messages for overlay texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

struct TestPoint {
    float angle;
    int16_t distance;  // millimetres
};

// Replaces g_PointList by these points.
void SetPoints(const std::vector<TestPoint>& points);

bool IsColour(const QImage& image, int x, int y, QColor colour);
// Whether any pixel within `reach` of (x, y) has the colour.
bool ColourNear(const QImage& image, int x, int y, int reach, QColor colour);
int CountColour(const QImage& image, QColor colour);

inline const QColor CYAN(0, 255, 255);
inline const QColor GREY(100, 100, 100);
inline const QColor RED(255, 0, 0);
inline const QColor WHITE(255, 255, 255);

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Resizes the view and initialises it again.
    void Resize(int width, int height);

    CImageCoord view;
};
