// The polar view: every revolution of g_PointList drawn as a polar plot over a range grid, with
// wheel zoom, right-button pan and a left-click marker that reads the nearest point's depth and a
// running mean and spread over the last g_nStatPoints readouts.
//
// How the main dialog uses it (UI thread only):
//   CImageCoord view(parent);        range index 2 (0-1 m), marker hidden
//   size the widget square, then view.InitView();   before the first redraw
//   view.SetRange(index, CImageCoord::Recentre, QPoint());   a range radio button
//   view.Redraw();                                          a new point list
//   view.Freeze(); ... view.Resume();   the picture held on one revolution, a copy of its own
//   after a resize: square it again and call InitView() again; a new size gets a new surface,
//   the origin returns to the centre and the picture is composed again at once.
// Both take g_PointListMutex while they read the list: never call them with that lock held.
#pragma once

#include <QImage>
#include <QPen>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "acquisition/ScanFrame.h"
#include "protocols/ProtocolTable.h"
#include "view/DepthWindow.h"
#include "view/RingStamp.h"

class QPainter;

// True from a right-button press on the view until the right button is released, or until the
// view loses the focus or sees a move without the right button held.
extern bool g_bDragging;

class CImageCoord : public QWidget {
    Q_OBJECT

public:
    enum OriginMode { Recentre = 0, ZoomAboutAnchor = 1, KeepOrigin = 2 };

    explicit CImageCoord(QWidget* parent = nullptr);

    // Takes the widget's size, puts the origin in the centre and computes the scale; the first
    // call creates the off-screen surface and hides the marker, a call at a new size replaces
    // the surface. Either way the picture is composed at once. A hidden marker stays hidden.
    void InitView();
    // A range change: sets the range index (0..8) and the scale, moves the origin as `mode`
    // says, and redraws.
    void SetRange(int index, OriginMode mode, QPoint anchor);
    // New data: grid, points and overlay composed again at the current range and origin, then
    // shown.
    void Redraw();

    // The way the angles of g_PointList run, from now on; the protocol code in force at
    // construction gives the first.
    void SetDirection(SweepDirection direction);
    SweepDirection Direction() const { return m_direction; }

    // Copies the revolution of g_PointList, with its sweep direction, and draws that
    // copy from then on: zoom, pan and the marker work on it while the receive thread goes on
    // replacing g_PointList. Frozen again, it takes the newest revolution.
    void Freeze();
    // Back to g_PointList, drawn at once.
    void Resume();
    bool IsFrozen() const { return m_frozen; }
    // The revolution drawn while frozen (since the first Freeze), and the way its angles run.
    const PointList& FrozenList() const { return *m_frozenList; }
    SweepDirection FrozenDirection() const { return m_frozenDirection; }

    // Mouse handling, called by Qt's event handlers and usable directly (positions in widget pixels).
    void OnLButtonDown(QPoint point);
    void OnRButtonDown(QPoint point);
    void OnRButtonUp();
    void OnMouseMove(QPoint point);
    bool OnMouseWheel(int delta);

    // Read-only views for the dialog, tests and the PNG renderer.
    int Range() const { return m_nRange; }
    const QImage& Surface() const { return m_surface; }
    const QStringList& OverlayLines() const { return m_overlayLines; }
    QPoint Origin() const { return m_ptOrigin; }
    QPoint Marker() const { return m_ptMarker; }
    double Scale() const { return m_dScale; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // A new surface when the size or the device pixel ratio changed; false when none was needed
    // or none could be made.
    bool MakeSurface();
    int SurfaceRatio() const;
    // Grid, points and overlay into the surface, on one painter handed to the steps below.
    void Compose();
    // The steps of a redraw.
    void DrawGrid(QPainter& painter);
    void DrawRing(QPainter& painter, QPoint centre, float radius);
    void DrawRingLabel(QPainter& painter, float radius, const QString& text);
    void DrawPoint(QPainter& painter, const QPen& pen, float angle, float distance, int radius);
    // The point pass: every point of `list` with a return, as a cyan ring. For g_PointList the
    // caller holds g_PointListMutex, here and in the overlay.
    void DrawPoints(QPainter& painter, const PointList& list, SweepDirection direction);
    // Marker readout, highlight, marker circle and depth statistics.
    void DrawOverlay(QPainter& painter, const PointList& list, SweepDirection direction);
    void DrawMarkerReadout(QPainter& painter, const PointList& list, SweepDirection direction);
    void DrawText(QPainter& painter, QPoint topLeft, QColor colour, const QString& text);
    // Shows the finished surface on the widget at once.
    void Present();

    QPoint m_ptMarker;       // equal to m_ptOrigin: no marker shown
    QPoint m_ptDragStart;    // mouse position at the last right-button press
    QPoint m_ptMouse;        // last mouse position over the view, the zoom anchor
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nRange = 2;        // range index 0..8
    QPoint m_ptOrigin;       // pixel position of the sensor
    float m_fRange = 1.0f;   // metres of m_nRange
    QRect m_rcClient;
    QPen m_penHighlight;
    QPen m_penGrid;
    QPen m_penPoint;
    QPen m_penMarker;
    QPoint m_ptOriginAtDrag;
    double m_dScale = 0.0;   // pixels per metre

    QImage m_surface;                   // the picture being composed, in device pixels; null before InitView
    RingStamp m_pointStamp;             // m_penPoint's ring, pre-rendered at the surface's ratio
    DepthWindow m_depthWindow;
    QStringList m_overlayLines;         // texts the last overlay drew, top to bottom
    bool m_frozen = false;
    std::unique_ptr<PointList> m_frozenList;  // made at the first freeze, kept for the next
    SweepDirection m_direction;
    SweepDirection m_frozenDirection = SweepDirection::Clockwise;
};
