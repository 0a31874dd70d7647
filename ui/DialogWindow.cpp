// The main dialog's window geometry: its frame takes the screen's work area, and the view
// becomes the largest square that fits right of the control column with a 5-pixel margin.
#include <QResizeEvent>
#include <QScrollArea>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "ui/PlotwellDlg.h"

namespace {
constexpr int MARGIN = 5;       // right of and below the view
constexpr int COLUMN_LEFT = 7;  // the control column's distance from the window's edges
constexpr int GAP = 7;          // between the column and the view
constexpr int FRAME_WATCH_MS = 50;
constexpr int FRAME_WATCH_TICKS = 60;  // how long a window manager gets to frame the window: 3 s
}  // namespace

// Client rectangle of the view for a client area of `size`: a square, top-left aligned.
static QRect ViewRect(const QSize& size, int viewLeft)
{
    const int side = std::max(1, std::min(size.width() - viewLeft - MARGIN,
                                          size.height() - COLUMN_LEFT - MARGIN));
    return QRect(viewLeft, COLUMN_LEFT, side, side);
}

// The frame around the client area: caption, borders. None without a window manager.
QMargins CPlotwellDlg::FrameMargins() const
{
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

void CPlotwellDlg::LayOutWindow()
{
    const QScreen* display = screen();
    // Frame extents are known only once the window manager has framed the window (WatchFrame).
    m_laidOutFrame = FrameMargins();
    const QRect work = display->availableGeometry().marginsRemoved(m_laidOutFrame);
    QSize client = work.size();
    const int viewLeft = COLUMN_LEFT + m_leftColumn->widget()->sizeHint().width() + GAP;
    const QRect view = ViewRect(client, viewLeft);
    // Wider than high: the window ends right of the square; higher than wide: below it.
    if (client.width() - viewLeft - MARGIN > view.height())
        client.setWidth(view.right() + 1 + MARGIN);
    else
        client.setHeight(view.bottom() + 1 + MARGIN);
    client = client.expandedTo(minimumSize());
    setGeometry(QRect(work.topLeft(), client));
    PlaceView();
}

// The column scrolls, so the window need not be as high as the column; the view keeps a side
// of half the column's height.
void CPlotwellDlg::SetMinimumWindow()
{
    const QSize column = m_leftColumn->widget()->minimumSizeHint();
    const int side = column.height() / 2;
    setMinimumSize(COLUMN_LEFT + column.width() + GAP + side + MARGIN, COLUMN_LEFT + side + MARGIN);
}

void CPlotwellDlg::PlaceView()
{
    const int columnWidth = m_leftColumn->widget()->sizeHint().width();
    m_leftColumn->setGeometry(COLUMN_LEFT, COLUMN_LEFT, columnWidth, height() - 2 * COLUMN_LEFT);
    const QRect view = ViewRect(size(), COLUMN_LEFT + columnWidth + GAP);
    if (view == m_Coord.geometry())
        return;
    m_Coord.setGeometry(view);
    // A new size gets a new surface; before the first InitView the dialog's start does it.
    if (m_viewInitialised)
        m_Coord.InitView();
}

void CPlotwellDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceView();
}

void CPlotwellDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // A window manager frames the window some time after it is shown, and Qt sends no event when
    // the frame becomes known: watch for it for a while, and fit the frame into the work area
    // then, or the caption ends up above the screen and the bottom edge below it.
    m_frameWatchTicks = FRAME_WATCH_TICKS;
    connect(&m_timerFrameWatch, &QTimer::timeout, this, &CPlotwellDlg::WatchFrame);
    m_timerFrameWatch.start(FRAME_WATCH_MS);
    QTimer::singleShot(0, this, &CPlotwellDlg::LayOutWindow);
}

void CPlotwellDlg::WatchFrame()
{
    if (--m_frameWatchTicks <= 0)
        m_timerFrameWatch.stop();
    if (FrameMargins() != m_laidOutFrame)
        LayOutWindow();
}
