// The program's message boxes as the operator meets them: a failure reported while a box waits
// for OK (the device lost while "Recording full" is shown) must not open a second box over the
// first.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "ui/MessageBox.h"

namespace {
QList<QMessageBox*> OpenBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
            boxes << box;
    return boxes;
}
}  // namespace

TEST(MessageBoxes, ABoxAskedForWhileAnotherIsOpenFollowsItInsteadOfHidingIt)
{
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QStringList closed;
    int mostAtOnce = 0;
    bool secondAsked = false;
    // Each box in turn is confirmed with Return through its window, once the second is asked for.
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        const QList<QMessageBox*> boxes = OpenBoxes();
        mostAtOnce = std::max(mostAtOnce, static_cast<int>(boxes.size()));
        if (!secondAsked || boxes.isEmpty() || boxes.last()->windowHandle() == nullptr)
            return;
        closed << boxes.last()->text();
        QTest::keyClick(boxes.last()->windowHandle(), Qt::Key_Return);
    });
    operatorHand.start(20);
    QTimer::singleShot(200, [&] {
        secondAsked = true;
        ShowMessage(&window, QStringLiteral("Device Disconnected"), QStringLiteral("/dev/ttyUSB0"));
    });
    QTimer::singleShot(20000, [] {
        for (QMessageBox* box : OpenBoxes())
            box->reject();
    });
    ShowMessage(&window, QStringLiteral("Recording full"), QStringLiteral("Nothing more is kept."));
    EXPECT_EQ(closed, QStringList({"Recording full\nNothing more is kept.", "Device Disconnected\n/dev/ttyUSB0"}));
    EXPECT_EQ(mostAtOnce, 1);
}
