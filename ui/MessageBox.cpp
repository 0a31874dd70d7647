#include "ui/MessageBox.h"

#include <QMessageBox>
#include <QPointer>
#include <deque>

namespace {
MessageSink& Sink()
{
    static MessageSink sink;
    return sink;
}

struct PendingMessage {
    QPointer<QWidget> parent;  // a parent gone meanwhile leaves the box without one
    QString text;
};

// A box is modal and runs its own event loop, in which another failure can be reported (the
// device lost while "Recording full" waits for OK). A box opened then would lie on top of the
// first, on the same spot, and hide it: it waits in this queue until the box before it is closed.
struct MessageQueue {
    std::deque<PendingMessage> pending;
    bool boxOpen = false;
};

MessageQueue& Queue()
{
    static MessageQueue queue;
    return queue;
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& reason)
{
    const QString shown = reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
    if (Sink()) {
        Sink()(shown);
        return;
    }
    MessageQueue& queue = Queue();
    queue.pending.push_back({parent, shown});
    if (queue.boxOpen)
        return;
    queue.boxOpen = true;
    while (!queue.pending.empty()) {
        const PendingMessage next = queue.pending.front();
        queue.pending.pop_front();
        QMessageBox::warning(next.parent.data(), QString::fromLatin1(APP_TITLE), next.text, QMessageBox::Ok);
    }
    queue.boxOpen = false;
}

void SetMessageSink(MessageSink sink)
{
    Sink() = std::move(sink);
}
