// Passes a file dragged onto one of the dialog's edit fields on to the dialog: left alone, an
// edit takes a file drag that also carries text and types the file's path into itself.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

class QUrl;
class QWidget;

// The local file a dropped URL names, as the system spells it (a name need not be valid UTF-8,
// and QUrl::toLocalFile would replace what is not); empty for anything but a local file.
std::string LocalPath(const QUrl& url);

class EditDropFilter : public QObject {
public:
    // `onDrop` receives the drop point in `dialog` coordinates and the dropped local paths.
    using DropHandler = std::function<void(const QPoint& position, const std::vector<std::string>& paths)>;
    EditDropFilter(QWidget* dialog, DropHandler onDrop);

    // File drags over `edit` go to `onDrop`; text drags stay with the edit.
    void Watch(QWidget* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_dialog;
    DropHandler m_onDrop;
};
