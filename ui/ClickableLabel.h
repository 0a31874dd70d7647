// A static text that reports a click, like a static control with click notification.
#pragma once

#include <QLabel>
#include <QMouseEvent>

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked(const QPoint& position);

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            emit clicked(event->position().toPoint());
        QLabel::mousePressEvent(event);
    }
};
