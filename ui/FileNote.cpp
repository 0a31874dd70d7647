#include "ui/FileNote.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>

FileNote::FileNote(QWidget* parent) : QLabel(parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    // It wraps within the column instead of widening it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void FileNote::Show(const QString& text, const QString& path)
{
    m_text = text;
    m_path = path;
    setToolTip(path);
    Fit();
}

QString FileNote::FullText() const { return m_path.isEmpty() ? m_text : m_text.arg(m_path); }

void FileNote::Fit()
{
    if (m_path.isEmpty()) {
        setText(m_text);
        return;
    }
    // Word wrapping breaks at blanks only: a path longer than a line would be cut off. It is
    // shortened to what its line leaves beside the words around it, so that "Playing PATH" stays
    // one line (each line more can push RECORD_DATA off a short screen); where that leaves less
    // than half the line, the path gets a line of its own.
    const int width = contentsRect().width();
    const int at = m_text.indexOf(QStringLiteral("%1"));
    const QString around = m_text.left(at).section('\n', -1) + m_text.mid(at + 2).section('\n', 0, 0);
    const int beside = width - fontMetrics().horizontalAdvance(around) - fontMetrics().averageCharWidth();
    if (beside >= width / 2) {
        setText(m_text.arg(fontMetrics().elidedText(m_path, Qt::ElideMiddle, beside)));
        return;
    }
    // Its own line begins and ends with line breaks: "已保存：%1" has no blank before the path,
    // and no line may begin with its "/", so wrapping broke the path inside instead.
    QString before = m_text.left(at);
    QString after = m_text.mid(at + 2);
    while (before.endsWith(' '))
        before.chop(1);
    while (after.startsWith(' '))
        after.remove(0, 1);
    if (!before.isEmpty() && !before.endsWith('\n'))
        before += '\n';
    if (!after.isEmpty() && !after.startsWith('\n'))
        after.prepend('\n');
    // Less a character's width, as beside the words: the shortened path measured whole can come
    // out a pixel wider than the shortening allowed for, and wrapping then breaks it after a "/".
    const int room = width - fontMetrics().averageCharWidth();
    setText(before + fontMetrics().elidedText(m_path, Qt::ElideMiddle, room) + after);
}

void FileNote::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}

void FileNote::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_path.isEmpty()) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copy path"), this, [this] { QGuiApplication::clipboard()->setText(m_path); });
    menu.exec(event->globalPos());
}
