#include "view/ImageCoord.h"

#include <QFontMetrics>
#include <QPainter>
#include <mutex>

#include "acquisition/SharedState.h"
#include "view/ViewGeometry.h"

namespace {

QPen SolidPen(QColor colour, int width) { return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

PixelPoint ToPixel(QPoint point) { return {point.x(), point.y()}; }

}  // namespace

CImageCoord::CImageCoord(QWidget* parent)
    : QWidget(parent),
      m_penHighlight(SolidPen(QColor(255, 255, 255), 1)),
      m_penGrid(SolidPen(QColor(100, 100, 100), 1)),
      m_penPoint(SolidPen(QColor(0, 255, 255), 2)),
      m_penMarker(SolidPen(QColor(255, 0, 0), 1)),
      m_pointStamp(m_penPoint)
{
    // The surface covers the whole widget, and moves are needed without a button for the zoom anchor.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void CImageCoord::InitView()
{
    const bool markerHidden = m_ptMarker == m_ptOrigin;
    const QSize previous = m_rcClient.size();
    m_rcClient = rect();
    m_nWidth = m_rcClient.width();
    m_nHeight = m_rcClient.height();
    if (previous.isEmpty()) {
        m_ptOrigin = QPoint(m_nWidth / 2, m_nWidth / 2);
    } else {
        // A pan survives a new size, and the marker moves with the origin, so that it goes on
        // reading the same direction and distance; its statistics start again.
        auto carry = [&](QPoint point) {
            const PixelPoint moved = ResizedPoint(ToPixel(point), previous.width(), previous.height(), m_nWidth, m_nHeight);
            return QPoint(moved.x, moved.y);
        };
        m_ptOrigin = carry(m_ptOrigin);
        m_ptMarker = carry(m_ptMarker);
    }
    // A hidden marker sits on the origin; it stays hidden (and so is hidden at start).
    if (markerHidden)
        m_ptMarker = m_ptOrigin;
    m_dScale = ScaleFor(m_nWidth, m_fRange);

    if (m_surface.size() == m_rcClient.size())
        return;
    m_surface = QImage(m_rcClient.size(), QImage::Format_RGB32);
    // The first picture too: without it the view stays black until the first revolution.
    Redraw();
}

void CImageCoord::SetRange(int index, OriginMode mode, QPoint anchor)
{
    m_nRange = index;
    m_fRange = RangeMetres(index, m_fRange);
    const double oldScale = m_dScale;
    m_dScale = ScaleFor(m_nWidth, m_fRange);
    if (mode == Recentre) {
        m_ptOrigin = QPoint(m_nWidth / 2, m_nHeight / 2);
    } else if (mode == ZoomAboutAnchor) {
        const PixelPoint origin = ZoomOrigin(ToPixel(m_ptOrigin), ToPixel(anchor), oldScale, m_dScale);
        m_ptOrigin = QPoint(origin.x, origin.y);
    }
    Redraw();
}

void CImageCoord::Redraw()
{
    if (m_surface.isNull())
        return;
    {
        QPainter painter(&m_surface);
        DrawGrid(painter);
        // The receive thread rebuilds the list only under this lock, so one redraw shows one revolution.
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        DrawPoints(painter);
        DrawOverlay(painter);
    }
    Present();
}

void CImageCoord::Present() { repaint(); }

void CImageCoord::paintEvent(QPaintEvent*)
{
    // A repaint asked for by the window system shows the last composed picture as it is.
    QPainter painter(this);
    if (m_surface.isNull() || !m_rcClient.contains(rect()))
        painter.fillRect(rect(), Qt::black);
    if (!m_surface.isNull())
        painter.drawImage(QRect(0, 0, m_rcClient.width(), m_rcClient.height()), m_surface);
}

void CImageCoord::DrawText(QPainter& painter, QPoint topLeft, QColor colour, const QString& text)
{
    painter.setPen(colour);
    const QFontMetrics metrics(painter.font());
    painter.drawText(topLeft + QPoint(0, metrics.ascent()), text);
}
