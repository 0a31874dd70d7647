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
    // Word wrapping breaks at blanks only: a path longer than a line would be cut off.
    setText(m_text.arg(fontMetrics().elidedText(m_path, Qt::ElideMiddle, contentsRect().width())));
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
