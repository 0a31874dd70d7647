// The grid under the points: black fill, x-axis arrow, 15 spokes, five rings with metre labels;
// and the circle every point and highlight is drawn with.
#include <QPainter>
#include <cmath>

#include "view/ImageCoord.h"
#include "view/ViewGeometry.h"

namespace {

constexpr double PI_APPROX = 3.141592654;
constexpr int SPOKE_COUNT = 15;
constexpr int SPOKE_OVERHANG = 20;  // spokes and axis reach this far past the half width
constexpr int ARROW_LENGTH = 15;
constexpr int ARROW_HALF_WIDTH = 5;
constexpr int LABEL_OFFSET = 20;    // labels start this far left of the ring's crossing

QRectF EllipseBox(const PixelBox& box)
{
    return QRectF(box.left, box.top, box.right - box.left, box.bottom - box.top);
}

}  // namespace

void CImageCoord::DrawGrid(QPainter& painter)
{
    painter.fillRect(m_rcClient, Qt::black);
    painter.setPen(m_penGrid);
    const int ox = m_ptOrigin.x();
    const int oy = m_ptOrigin.y();
    // A fixed pixel length: the spokes do not scale with the range or the zoom.
    const auto length = static_cast<float>(m_nWidth / 2 + SPOKE_OVERHANG);
    const int tip = static_cast<int>(ox + length);
    const int barb = static_cast<int>(ox + length - ARROW_LENGTH);
    painter.drawLine(m_ptOrigin, QPoint(tip, oy));
    painter.drawLine(QPoint(tip, oy), QPoint(barb, oy - ARROW_HALF_WIDTH));
    painter.drawLine(QPoint(tip, oy), QPoint(barb, oy + ARROW_HALF_WIDTH));
    for (int i = 1; i <= SPOKE_COUNT; ++i) {
        const double theta = 2 * i * PI_APPROX / SPOKE_COUNT;
        painter.drawLine(m_ptOrigin, QPoint(static_cast<int>(ox + length * std::cos(theta)),
                                            static_cast<int>(oy + length * std::sin(theta))));
    }
    DrawRingLabel(painter, 0.0f, QStringLiteral("0m"));
    if (!IsRangeIndex(m_nRange))
        return;
    for (int k = 1; k <= RING_COUNT; ++k) {
        const double radius = RingRadius(m_nRange, k);
        DrawRing(painter, m_ptOrigin, static_cast<float>(radius));
        DrawRingLabel(painter, static_cast<float>(radius), QString::fromStdString(RingLabel(m_nRange, radius)));
    }
}

void CImageCoord::DrawRing(QPainter& painter, QPoint centre, float radius)
{
    const int r = RingPixels(m_dScale, radius);
    painter.setPen(m_penGrid);
    painter.drawEllipse(EllipseBox({centre.x() - r, centre.y() - r, centre.x() + r, centre.y() + r}));
}

void CImageCoord::DrawRingLabel(QPainter& painter, float radius, const QString& text)
{
    DrawText(painter, QPoint(m_ptOrigin.x() + RingPixels(m_dScale, radius) - LABEL_OFFSET, m_ptOrigin.y()),
             Qt::white, text);
}

void CImageCoord::DrawPoint(QPainter& painter, const QPen& pen, float angle, float distance, int radius)
{
    const PixelBox box = PointBox({m_ptOrigin.x(), m_ptOrigin.y()}, m_dScale, angle, distance, radius);
    painter.setPen(pen);
    painter.drawEllipse(EllipseBox(box));
}
