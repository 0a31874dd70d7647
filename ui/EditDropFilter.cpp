#include "ui/EditDropFilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

std::string LocalPath(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

EditDropFilter::EditDropFilter(QWidget* dialog, DropHandler onDrop)
    : QObject(dialog), m_dialog(dialog), m_onDrop(std::move(onDrop))
{
}

void EditDropFilter::Watch(QWidget* edit)
{
    edit->installEventFilter(this);
}

bool EditDropFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drag = static_cast<QDropEvent*>(event);
    if (!drag->mimeData()->hasUrls())
        return false;
    drag->acceptProposedAction();
    if (type == QEvent::Drop) {
        std::vector<std::string> paths;
        for (const QUrl& url : drag->mimeData()->urls())
            paths.push_back(LocalPath(url));
        const QPoint position = static_cast<QWidget*>(watched)->mapTo(m_dialog, drag->position().toPoint());
        m_onDrop(position, paths);
    }
    return true;
}
