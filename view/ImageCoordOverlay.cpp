// What is drawn over the grid: the point pass and the measuring overlay of the marker.
#include <QPainter>
#include <algorithm>

#include "acquisition/SharedState.h"
#include "view/ImageCoord.h"
#include "view/MarkerReadout.h"
#include "view/ViewGeometry.h"

namespace {

constexpr int POINT_RADIUS = 1;
constexpr int HIGHLIGHT_RADIUS = 4;
constexpr int MARKER_RADIUS = 4;
constexpr int TEXT_LEFT = 20;
constexpr int LINE_TOP[] = {20, 40, 60, 80};

float Metres(int16_t millimetres) { return millimetres / 1000.0f; }

}  // namespace

void CImageCoord::DrawPoints(QPainter& painter, const PointList& list, SweepDirection direction)
{
    const PixelPoint origin{m_ptOrigin.x(), m_ptOrigin.y()};
    const int count = std::min(list.count, SCAN_CAPACITY);
    for (int i = 0; i < count; ++i) {
        if (list.distance[i] == 0)
            continue;
        const float angle = DrawnAngle(list.angle[i], direction);
        const float distance = Metres(list.distance[i]);
        const PixelBox box = PointBox(origin, m_dScale, angle, distance, POINT_RADIUS);
        const int width = box.right - box.left;
        const int height = box.bottom - box.top;
        if (m_pointStamp.CanStamp(width, height))
            m_pointStamp.Stamp(m_surface, box.left, box.top, width, height);
        else
            DrawPoint(painter, m_penPoint, angle, distance, POINT_RADIUS);
    }
}

void CImageCoord::DrawOverlay(QPainter& painter, const PointList& list, SweepDirection direction)
{
    m_depthWindow.ResetIfChanged(m_ptMarker.x(), m_ptMarker.y(), Load(g_nStatPoints));
    m_overlayLines.clear();
    if (m_ptMarker == m_ptOrigin)
        return;
    DrawMarkerReadout(painter, list, direction);
}

void CImageCoord::DrawMarkerReadout(QPainter& painter, const PointList& list, SweepDirection direction)
{
    const MarkerReading reading =
        MeasureMarker({m_ptMarker.x(), m_ptMarker.y()}, {m_ptOrigin.x(), m_ptOrigin.y()}, direction);
    const int index = NearestPoint(list, reading.angle);
    const float angle = list.angle[index];
    const int16_t depth = list.distance[index];
    const float markerMetres = m_fRange * reading.pixels / static_cast<float>(m_nWidth / 2);

    auto line = [&](int row, QColor colour, const std::string& text) {
        const QString shown = QString::fromStdString(text);
        DrawText(painter, QPoint(TEXT_LEFT, LINE_TOP[row]), colour, shown);
        m_overlayLines.append(shown);
    };
    line(0, QColor(255, 255, 255), PointLine(index, angle, Metres(depth)));
    const std::string markerText = MarkerLine(reading.angle, markerMetres);
    line(1, QColor(255, 0, 0), markerText);

    DrawPoint(painter, m_penHighlight, DrawnAngle(angle, direction), Metres(depth), HIGHLIGHT_RADIUS);
    painter.setPen(m_penMarker);
    painter.drawEllipse(QRectF(m_ptMarker.x() - MARKER_RADIUS, m_ptMarker.y() - MARKER_RADIUS,
                               2 * MARKER_RADIUS, 2 * MARKER_RADIUS));

    if (Load(g_nCompensation) != 0)
        line(2, QColor(0, 255, 255), markerText);

    m_depthWindow.Add(depth);
    if (m_depthWindow.Full()) {
        line(3, QColor(0, 255, 255),
             StatisticsLine(m_depthWindow.Size(), m_depthWindow.MeanMm() / 1000.0f, m_depthWindow.SpreadMm()));
    }
}
