#include "view/ImageCoord.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
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
      m_pointStamp(m_penPoint, 1),
      m_direction(ProtocolFor(Load(g_nProtocol)).direction)
{
    // The surface covers the whole widget, and moves are needed without a button for the zoom anchor.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    // The right button pans: a context menu would take the mouse before the release is seen.
    setContextMenuPolicy(Qt::PreventContextMenu);
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

    // The first picture too: without it the view stays black until the first revolution.
    if (MakeSurface())
        Redraw();
}

// The surface has the screen's device pixels, so that rings, points and text are as sharp as
// every other control on a high-density screen; all drawing stays in logical pixels. A
// fractional ratio (1.25, 1.5) gets the next whole one, shown scaled down: only at whole ratios
// are the point stamps the pixels of drawEllipse.
int CImageCoord::SurfaceRatio() const { return std::max(1, static_cast<int>(std::ceil(devicePixelRatioF() - 0.01))); }

bool CImageCoord::MakeSurface()
{
    const int ratio = SurfaceRatio();
    const QSize pixels = m_rcClient.size() * ratio;
    if (!m_surface.isNull() && m_surface.size() == pixels && m_surface.devicePixelRatio() == ratio)
        return false;
    m_surface = QImage(pixels, QImage::Format_RGB32);
    if (m_surface.isNull())
        return false;
    m_surface.setDevicePixelRatio(ratio);
    if (m_pointStamp.Ratio() != ratio)
        m_pointStamp = RingStamp(m_penPoint, ratio);
    return true;
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
    Compose();
    Present();
}

void CImageCoord::Freeze()
{
    if (!m_frozenList)
        m_frozenList = std::make_unique<PointList>();
    {
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        *m_frozenList = g_PointList;
        m_frozenDirection = m_direction;
    }
    m_frozen = true;
    Redraw();
}

void CImageCoord::SetDirection(SweepDirection direction)
{
    m_direction = direction;
}

void CImageCoord::Resume()
{
    m_frozen = false;
    Redraw();
}

void CImageCoord::Compose()
{
    QPainter painter(&m_surface);
    DrawGrid(painter);
    if (m_frozen) {
        DrawPoints(painter, *m_frozenList, m_frozenDirection);
        DrawOverlay(painter, *m_frozenList, m_frozenDirection);
        return;
    }
    // The receive thread rebuilds the list only under this lock, so one redraw shows one revolution.
    std::lock_guard<std::mutex> lock(g_PointListMutex);
    DrawPoints(painter, g_PointList, m_direction);
    DrawOverlay(painter, g_PointList, m_direction);
}

void CImageCoord::Present() { repaint(); }

void CImageCoord::paintEvent(QPaintEvent*)
{
    // A repaint asked for by the window system shows the last composed picture as it is, unless
    // the window went to a screen of another pixel density.
    if (!m_surface.isNull() && m_surface.devicePixelRatio() != SurfaceRatio() && MakeSurface())
        Compose();
    QPainter painter(this);
    if (m_surface.isNull() || !m_rcClient.contains(rect()))
        painter.fillRect(rect(), Qt::black);
    if (m_surface.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_surface.devicePixelRatio() != devicePixelRatioF());
    painter.drawImage(QRectF(0, 0, m_rcClient.width(), m_rcClient.height()), m_surface);
}

void CImageCoord::DrawText(QPainter& painter, QPoint topLeft, QColor colour, const QString& text)
{
    painter.setPen(colour);
    const QFontMetrics metrics(painter.font());
    painter.drawText(topLeft + QPoint(0, metrics.ascent()), text);
}
