// What the dialog tests share: one QApplication, a dialog on a fake port tree, message boxes
// caught as texts, and waiting on the event loop with a time-out that fails loudly.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "tests/support/ScratchDirectory.h"
#include "ui/ControlIds.h"
#include "ui/PlotwellDlg.h"

// Handles events until `done` holds; false after `timeoutMs`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
// Handles events for `ms` (to see that something does not happen).
void Settle(int ms);

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A dialog whose port list sees only the fake tree below `scratch` and `extraPorts`.
    CPlotwellDlg& MakeDialog(DialogLanguage language, std::vector<std::string> extraPorts = {},
                             const Ros2Options& ros2 = {}, std::optional<ListenAddress> serve = {});

    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(dialog->Control(id)); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(dialog->Control(id)); }
    QString Text(int id);  // the whole text, also where the control shortens what it shows
    // Types `text` into an edit and presses Return there, as the operator does.
    void Enter(int id, const QString& text);

    ScratchDirectory scratch;
    PortScanRoots roots;
    double detectSeconds = 0.6;  // Detect's listening time per baud rate
    QStringList messages;  // message boxes shown, text and reason
    std::unique_ptr<CPlotwellDlg> dialog;
};
