// The window's geometry: the view is the largest square beside the control column with a
// 5-pixel margin, at start and after every resize, and its surface follows its size.
#include <QTest>

#include "DialogFixture.h"

TEST_F(DialogTest, ViewStaysSquareAndItsSurfaceFollowsTheWindow)
{
    MakeDialog(DialogLanguage::Chinese);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    Settle(50);
    const CImageCoord& view = dialog->View();

    // At start the window ends 5 pixels beyond the square, right or below.
    const QRect start = view.geometry();
    EXPECT_EQ(start.width(), start.height());
    EXPECT_TRUE(dialog->width() == start.right() + 1 + 5 || dialog->height() == start.bottom() + 1 + 5)
        << dialog->width() << "x" << dialog->height();

    for (const QSize& size : {QSize(1400, 700), QSize(900, 1000), QSize(1200, 1200)}) {
        dialog->resize(size);
        Settle(20);
        const QRect square = view.geometry();
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        EXPECT_EQ(square.width(), square.height());
        EXPECT_LE(square.right() + 1 + 5, dialog->width());
        EXPECT_LE(square.bottom() + 1 + 5, dialog->height());
        EXPECT_TRUE(square.right() + 1 + 5 == dialog->width() || square.bottom() + 1 + 5 == dialog->height());
        EXPECT_EQ(view.Surface().size(), square.size());
    }
}
