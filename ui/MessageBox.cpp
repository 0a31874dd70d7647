#include "ui/MessageBox.h"

#include <QMessageBox>

namespace {
MessageSink& Sink()
{
    static MessageSink sink;
    return sink;
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& reason)
{
    const QString shown = reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
    if (Sink()) {
        Sink()(shown);
        return;
    }
    QMessageBox::warning(parent, QString::fromLatin1(APP_TITLE), shown, QMessageBox::Ok);
}

void SetMessageSink(MessageSink sink)
{
    Sink() = std::move(sink);
}
