// The port list refresh: rebuilt when the set of free ports changes, never under the
// operator's open list, with the ports given on the command line first.
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

TEST_F(DialogTest, PortListFollowsTheSetOfFreePorts)
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
    EXPECT_EQ(ports->currentIndex(), 2);

    // One adapter swapped for another, same count: the stale path goes.
    std::filesystem::remove_all(scratch / "sys/ttyS5");
    scratch.MakeFolder("sys/ttyS7/device");
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog), QStringList({"/tmp/demo-scanner", "/dev/ttyS3", "/dev/ttyS7"}));
    EXPECT_EQ(ports->currentIndex(), 0);
    ports->setCurrentIndex(2);

    // Other ports while the operator has the list open: left alone until it closes.
    scratch.MakeFolder("sys/ttyS9/device");
    ports->showPopup();
    ASSERT_TRUE(WaitFor([&] { return ports->view()->isVisible(); }));
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog), QStringList({"/tmp/demo-scanner", "/dev/ttyS3", "/dev/ttyS7"}));
    EXPECT_EQ(ports->currentIndex(), 2);
    ports->view()->window()->close();  // closed by a click elsewhere, not through the combo box
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Entries(*dialog),
              QStringList({"/tmp/demo-scanner", "/dev/ttyS3", "/dev/ttyS7", "/dev/ttyS9"}));
    EXPECT_EQ(ports->currentIndex(), 0);

    // Other timers never refresh.
    scratch.MakeFolder("sys/ttyS11/device");
    dialog->OnTimer(TIMER_RECEIVE_HIDE);
    EXPECT_EQ(Entries(*dialog).size(), 4);
}
