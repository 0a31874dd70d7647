// The note line above RECORD_DATA: which file was written or is played, or why not. It wraps
// within the control column; a path too long for a line is shortened in the middle, kept whole
// in the tooltip, and "Copy path" in its context menu copies it whole.
#pragma once

#include <QLabel>

class FileNote : public QLabel {
    Q_OBJECT
public:
    explicit FileNote(QWidget* parent = nullptr);

    // `text` with its "%1" replaced by `path` (none when the note names no file).
    void Show(const QString& text, const QString& path = QString());
    // The note with the path whole.
    QString FullText() const;
    QString Path() const { return m_path; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Fit();

    QString m_text;
    QString m_path;
};
