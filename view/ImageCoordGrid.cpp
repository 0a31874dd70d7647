// The grid under the points: black fill, x-axis arrow, 15 spokes, five rings with metre labels;
// and the circle primitive every point, ring and highlight goes through.
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

void CImageCoord::DrawGrid()
{
    if (m_surface.isNull())
        return;
    m_surface.fill(Qt::black);
    const QPen* previous = SelectPen(&m_penGrid);
    {
        QPainter painter(&m_surface);
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
    }
    DrawRingLabel(0.0f, QStringLiteral("0m"));
    if (IsRangeIndex(m_nRange)) {
        for (int k = 1; k <= RING_COUNT; ++k) {
            const double radius = RingRadius(m_nRange, k);
            DrawRing(m_ptOrigin, static_cast<float>(radius));
            DrawRingLabel(static_cast<float>(radius), QString::fromStdString(RingLabel(m_nRange, radius)));
        }
    }
    SelectPen(previous);
}

void CImageCoord::DrawRing(QPoint centre, float radius)
{
    if (m_surface.isNull() || m_selectedPen == nullptr)
        return;
    const int r = RingPixels(m_dScale, radius);
    QPainter painter(&m_surface);
    painter.setPen(*m_selectedPen);
    painter.drawEllipse(EllipseBox({centre.x() - r, centre.y() - r, centre.x() + r, centre.y() + r}));
}

void CImageCoord::DrawRingLabel(float radius, const QString& text)
{
    m_textColour = Qt::white;
    DrawText(QPoint(m_ptOrigin.x() + RingPixels(m_dScale, radius) - LABEL_OFFSET, m_ptOrigin.y()), text);
}

void CImageCoord::DrawPoint(float angle, float distance, int radius)
{
    if (m_surface.isNull() || m_selectedPen == nullptr)
        return;
    const PixelBox box = PointBox({m_ptOrigin.x(), m_ptOrigin.y()}, m_dScale, angle, distance, radius);
    QPainter painter(&m_surface);
    painter.setPen(*m_selectedPen);
    painter.drawEllipse(EllipseBox(box));
}
