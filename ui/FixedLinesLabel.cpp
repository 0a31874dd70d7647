#include "ui/FixedLinesLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

FixedLinesLabel::FixedLinesLabel(int lines, QWidget* parent) : QLabel(parent), m_lines(lines)
{
    setTextFormat(Qt::PlainText);
    // It wraps within the column instead of widening it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    FixHeight();
}

// A line's full spacing each, so that the descenders of the last line (an underscore) are drawn
// whole.
void FixedLinesLabel::FixHeight()
{
    const QMargins margins = contentsMargins();
    setFixedHeight(m_lines * fontMetrics().lineSpacing() + margins.top() + margins.bottom() + 2 * margin());
}

void FixedLinesLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        FixHeight();
}

QStringList FixedLinesLabel::LayOut(bool* whole) const
{
    const QString flowing = QString(text()).replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(flowing, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const int width = contentsRect().width() - 2 * margin();
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() + 1 == m_lines) {
            // The last line room is left for: the rest of the text, shortened to it.
            QString rest = flowing.mid(line.textStart()).replace(QChar::LineSeparator, QLatin1Char(' '));
            const QString shown = fontMetrics().elidedText(rest, Qt::ElideRight, width);
            *whole = shown == rest;
            lines << shown;
            break;
        }
        lines << flowing.mid(line.textStart(), line.textLength()).remove(QChar::LineSeparator);
    }
    layout.endLayout();
    if (lines.size() < m_lines)
        *whole = true;
    return lines;
}

QStringList FixedLinesLabel::ShownLines() const
{
    bool whole = true;
    return LayOut(&whole);
}

bool FixedLinesLabel::ShowsWholeText() const
{
    bool whole = true;
    LayOut(&whole);
    return whole;
}

void FixedLinesLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect room = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const int spacing = fontMetrics().lineSpacing();
    int top = room.top();
    for (const QString& line : ShownLines()) {
        painter.drawText(QRect(room.left(), top, room.width(), spacing), Qt::AlignHCenter | Qt::AlignTop, line.trimmed());
        top += spacing;
    }
}

// The whole text first when it is cut short, then the label's own tooltip, in that tooltip's
// format.
bool FixedLinesLabel::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || ShowsWholeText())
        return QLabel::event(event);
    const QString own = toolTip();
    QString shown = text();
    if (Qt::mightBeRichText(own))
        shown = QStringLiteral("<p>%1</p>%2").arg(shown.toHtmlEscaped(), own);
    else if (!own.isEmpty())
        shown += QStringLiteral("\n\n") + own;
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), shown, this);
    return true;
}
