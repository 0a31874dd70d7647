// The Serve box of the main dialog, with --serve: the Foxglove WebSocket server of the window's
// revolutions, its check box (pausing and resuming what is sent; clients stay connected) and the
// box's tooltip of clients and losses, refreshed every second. The dialog attaches Output() to
// its output stage and lays out Box().
#pragma once

#include <QString>
#include <QTimer>

#include "foxglove/ListenAddress.h"
#include "serve/RevolutionServer.h"
#include "ui/LayoutTexts.h"

class OutputStage;
class QCheckBox;
class QWidget;

class ServeBox {
public:
    ServeBox(const ListenAddress& address, DialogLanguage language);
    // Stops the server: before the stage whose drops it reports goes.
    ~ServeBox();
    ServeBox(const ServeBox&) = delete;
    ServeBox& operator=(const ServeBox&) = delete;

    // The check box, made once; the dialog's layout takes it.
    QCheckBox* Box();
    RevolutionOutput& Output() { return m_server.Output(); }

    // Listens; `stage` must stay until this object goes. False, with `reason` for the operator's
    // message, when the address cannot be had; the box is then disabled.
    [[nodiscard]] bool Start(const OutputStage& stage, QString& reason);
    // The note line's text once serving: where to connect.
    QString NoteText() const;

private:
    QString Caption(const ListenAddress& address) const;
    void RefreshToolTip();

    const ListenAddress m_address;
    const DialogLanguage m_language;
    RevolutionServer m_server;
    QCheckBox* m_box = nullptr;
    QTimer m_timer;  // the tooltip's refresh; also the context of the box's connection
};
