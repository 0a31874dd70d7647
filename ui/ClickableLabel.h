// A value display that reports a click, like a static control with click notification.
#pragma once

#include <QMouseEvent>

#include "ui/ElidedLabel.h"

class ClickableLabel : public ElidedLabel {
    Q_OBJECT
public:
    using ElidedLabel::ElidedLabel;

signals:
    void clicked(const QPoint& position);

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            emit clicked(event->position().toPoint());
        ElidedLabel::mousePressEvent(event);
    }
};
