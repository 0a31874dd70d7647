// A one-line value display of a fixed width: it shows what fits of its text, ending in "…", and
// the whole text as a tooltip, so that an absurd value cannot widen the control column.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    // `widest` is the longest text that should show whole.
    explicit ElidedLabel(const QString& widest, QWidget* parent = nullptr);

    // The text as shown.
    QString Shown() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
