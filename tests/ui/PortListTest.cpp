// The port list refresh: rebuilt when the set of free ports changes, never under the
// operator's open list, with the ports given on the command line first and the operator's choice
// kept while it is offered.
#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <filesystem>

#include "DialogFixture.h"

namespace {
QStringList Entries(const CPlotwellDlg& dialog)
{
    auto* ports = qobject_cast<QComboBox*>(dialog.Control(ControlId::PORT));
    QStringList entries;
    for (int i = 0; i < ports->count(); ++i)
        entries << ports->itemData(i).toString();
    return entries;
}
}  // namespace

TEST_F(DialogTest, PortListFollowsTheSetOfFreePortsAndKeepsTheOperatorsChoice)
{
    scratch.MakeFolder("sys/ttyS3/device");
    scratch.MakeFolder("sys/ttyS5/device");
    MakeDialog(DialogLanguage::English, {"/tmp/demo-scanner"});
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    auto* ports = qobject_cast<QComboBox*>(dialog->Control(ControlId::PORT));
    EXPECT_EQ(Entries(*dialog), QStringList({"/tmp/demo-scanner", "/dev/ttyS3", "/dev/ttyS5"}));
    EXPECT_EQ(ports->currentIndex(), 0);

    // The same ports: the operator's choice stays.
    ports->setCurrentIndex(2);
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(ports->currentData().toString(), "/dev/ttyS5");

    // A port added before the chosen one: the choice stays on its port, wherever it now is
    // (OPEN once took whatever port came to stand at the chosen place, or the first).
    ports->setCurrentIndex(1);
    scratch.MakeFolder("sys/ttyS2/device");
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog), QStringList({"/tmp/demo-scanner", "/dev/ttyS2", "/dev/ttyS3", "/dev/ttyS5"}));
    EXPECT_EQ(ports->currentData().toString(), "/dev/ttyS3");

    // The chosen adapter swapped for another, same count: the stale path goes, and the list
    // falls back to its first entry.
    std::filesystem::remove_all(scratch / "sys/ttyS3");
    scratch.MakeFolder("sys/ttyS7/device");
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog), QStringList({"/tmp/demo-scanner", "/dev/ttyS2", "/dev/ttyS5", "/dev/ttyS7"}));
    EXPECT_EQ(ports->currentIndex(), 0);
    ports->setCurrentIndex(3);

    // Other ports while the operator has the list open: left alone until it closes.
    scratch.MakeFolder("sys/ttyS0/device");
    ports->showPopup();
    ASSERT_TRUE(WaitFor([&] { return ports->view()->isVisible(); }));
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog).size(), 4);
    EXPECT_EQ(ports->currentIndex(), 3);
    ports->view()->window()->close();  // closed by a click elsewhere, not through the combo box
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog),
              QStringList({"/tmp/demo-scanner", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS5", "/dev/ttyS7"}));
    EXPECT_EQ(ports->currentData().toString(), "/dev/ttyS7");

    // Other timers never refresh.
    scratch.MakeFolder("sys/ttyS11/device");
    dialog->OnTimer(TIMER_RECEIVE_HIDE);
    EXPECT_EQ(Entries(*dialog).size(), 5);
}
