// The main dialog's window geometry: it takes the screen's work area, and the view becomes the
// largest square that fits right of the control column with a 5-pixel margin.
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "ui/PlotwellDlg.h"

namespace {
constexpr int MARGIN = 5;       // right of and below the view
constexpr int COLUMN_LEFT = 7;  // the control column's distance from the window's edges
constexpr int GAP = 7;          // between the column and the view
}  // namespace

// Client rectangle of the view for a client area of `size`: a square, top-left aligned.
static QRect ViewRect(const QSize& size, int viewLeft)
{
    const int side = std::max(1, std::min(size.width() - viewLeft - MARGIN,
                                          size.height() - COLUMN_LEFT - MARGIN));
    return QRect(viewLeft, COLUMN_LEFT, side, side);
}

void CPlotwellDlg::LayOutWindow()
{
    const QScreen* display = screen();
    const QRect work = display->availableGeometry();
    // Frame extents are known only once the window manager has framed the window.
    const QSize frame = frameGeometry().size() - geometry().size();
    QSize client = work.size() - frame;
    const int viewLeft = COLUMN_LEFT + m_leftColumn->sizeHint().width() + GAP;
    const QRect view = ViewRect(client, viewLeft);
    // Wider than high: the window ends right of the square; higher than wide: below it.
    if (client.width() - viewLeft - MARGIN > view.height())
        client.setWidth(view.right() + 1 + MARGIN);
    else
        client.setHeight(view.bottom() + 1 + MARGIN);
    client = client.expandedTo(minimumSize());
    move(work.topLeft());
    resize(client);
    PlaceView();
}

void CPlotwellDlg::SetMinimumWindow()
{
    const QSize column = m_leftColumn->minimumSizeHint();
    setMinimumSize(COLUMN_LEFT + column.width() + GAP + column.height() / 2 + MARGIN,
                   COLUMN_LEFT + column.height() + COLUMN_LEFT);
}

void CPlotwellDlg::PlaceView()
{
    const int columnWidth = m_leftColumn->sizeHint().width();
    m_leftColumn->setGeometry(COLUMN_LEFT, COLUMN_LEFT, columnWidth,
                              std::max(m_leftColumn->minimumSizeHint().height(),
                                       height() - 2 * COLUMN_LEFT));
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
    // Once framed, take the work area again, now less the real frame.
    QTimer::singleShot(0, this, &CPlotwellDlg::LayOutWindow);
}
