// A label that keeps the height of a fixed number of lines whatever its text, so that the
// controls below it stay where they are as it fills and empties (a click aimed at the Filter edit
// missed it when the link line grew). The text wraps at word boundaries, or anywhere in a word
// too long for a line; what does not fit ends in "…", and the whole text then heads the tooltip.
#pragma once

#include <QLabel>
#include <QStringList>

class FixedLinesLabel : public QLabel {
    Q_OBJECT
public:
    explicit FixedLinesLabel(int lines, QWidget* parent = nullptr);

    // The lines as drawn at the present width.
    QStringList ShownLines() const;
    bool ShowsWholeText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FixHeight();
    // The text's lines at the present width, the last one elided when more would follow.
    QStringList LayOut(bool* whole) const;

    int m_lines;
};
