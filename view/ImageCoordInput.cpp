// Mouse handling of the polar view: wheel zoom about the last mouse position, right-button pan,
// left-click marker.
#include <QFocusEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "view/ImageCoord.h"

bool g_bDragging = false;

namespace {

constexpr int WHEEL_LAST_INDEX = 7;  // the wheel stops at 10 m; 18 m only from its radio button

}  // namespace

void CImageCoord::OnLButtonDown(QPoint point)
{
    setFocus();
    m_ptMarker = point;
    Redraw();
}

void CImageCoord::OnRButtonDown(QPoint point)
{
    setFocus();
    g_bDragging = true;
    m_ptDragStart = point;
    m_ptOriginAtDrag = m_ptOrigin;
}

void CImageCoord::OnRButtonUp() { g_bDragging = false; }

void CImageCoord::OnMouseMove(QPoint point)
{
    m_ptMouse = point;
    if (!g_bDragging)
        return;
    m_ptOrigin = m_ptOriginAtDrag + (point - m_ptDragStart);
    Redraw();
}

bool CImageCoord::OnMouseWheel(int delta)
{
    int index = m_nRange;
    if (delta > 0)
        index = index > 0 ? index - 1 : 0;
    else if (index < WHEEL_LAST_INDEX)
        index = index + 1;
    SetRange(index, ZoomAboutAnchor, m_ptMouse);
    return true;
}

void CImageCoord::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(event->position().toPoint());
}

void CImageCoord::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        OnRButtonUp();
}

// A release the view never saw (a popup or another window took the mouse) must not leave every
// later move panning.
void CImageCoord::mouseMoveEvent(QMouseEvent* event)
{
    if (g_bDragging && !(event->buttons() & Qt::RightButton))
        OnRButtonUp();
    OnMouseMove(event->position().toPoint());
}

void CImageCoord::focusOutEvent(QFocusEvent* event)
{
    OnRButtonUp();
    QWidget::focusOutEvent(event);
}

void CImageCoord::wheelEvent(QWheelEvent* event)
{
    // Only the vertical wheel zooms; a sideways scroll is not a zoom.
    const int delta = event->angleDelta().y();
    if (delta != 0)
        OnMouseWheel(delta);
    event->accept();
}
