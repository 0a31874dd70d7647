// The window's geometry: the view is the largest square beside the control column with a
// 5-pixel margin, at start and after every resize, and its surface follows its size.
#include <QApplication>
#include <QHelpEvent>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "FilesDialogFixture.h"
#include "ui/ElidedLabel.h"
#include "ui/FileNote.h"
#include "ui/FixedLinesLabel.h"

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

// A factor of 3e38 made its display 40 digits wide and squeezed the edits to three characters;
// a long path in the note line was cut off.
TEST_F(FilesDialogTest, LongValuesAndPathsAreShortenedNotGivenRoom)
{
    ShowDialog(DialogLanguage::English);
    QWidget* pointNum = dialog->Control(ControlId::POINT_NUM);
    const int editWidth = pointNum->width();
    const int viewLeft = dialog->View().x();

    Enter(ControlId::FILTER_FACTOR, "3e38");
    const QString path = WriteDataFile(std::string(120, 'n') + ".txt", {0xAA, 0x55, 0x01, 0x01});
    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {path});
    Settle(50);

    EXPECT_EQ(pointNum->width(), editWidth);
    EXPECT_EQ(dialog->View().x(), viewLeft);
    auto* factor = qobject_cast<ElidedLabel*>(dialog->Control(ControlId::FACTOR_SHOW));
    EXPECT_EQ(Text(ControlId::FACTOR_SHOW).size(), 43) << "the value itself, 3e38 with three decimals";
    EXPECT_TRUE(factor->Shown().endsWith(QChar(0x2026))) << factor->Shown().toStdString();

    auto* note = qobject_cast<FileNote*>(dialog->Control(ControlId::FILE_NOTE));
    EXPECT_TRUE(note->FullText().contains(path));
    for (const QString& line : note->text().split('\n'))
        for (const QString& word : line.split(' '))
            EXPECT_LE(note->fontMetrics().horizontalAdvance(word), note->contentsRect().width()) << word.toStdString();
}

// 1080 lines at a scale of 2 leave a work area 540 high, less a caption: the Chinese layout's
// column with a note of several lines ran on below the window's edge and took RECORD_DATA with
// it, the more so as a long path took a line of its own. Where even the closer rows cannot fit,
// the column scrolls.
TEST_F(FilesDialogTest, TheColumnFitsAWorkAreaOf540LinesAndScrollsInALowerOne)
{
    for (const DialogLanguage language : {DialogLanguage::English, DialogLanguage::Chinese}) {
        SCOPED_TRACE(language == DialogLanguage::Chinese ? "Chinese" : "English");
        ShowDialog(language);
        DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {WriteDataFile(std::string(60, 'd') + ".txt", THREE_MARKERS)});
        dialog->resize(960, 540 - 25);
        QWidget* record = dialog->Control(ControlId::RECORD_DATA);
        // The note fits its path to the new width and the column lays out once more after it;
        // on a slow machine that second pass can come later than one short settle.
        QRect shown;
        for (int waited = 0; waited < 2000 && !dialog->rect().contains(shown); waited += 20) {
            Settle(20);
            shown = QRect(record->mapTo(dialog.get(), QPoint(0, 0)), record->size());
        }
        EXPECT_EQ(dialog->height(), 540 - 25);
        EXPECT_TRUE(dialog->rect().contains(shown)) << shown.bottom() << " in " << dialog->height();

        dialog->resize(960, 300);
        Settle(20);
        EXPECT_EQ(dialog->height(), 300);
        const auto* column = dialog->findChild<QScrollArea*>();
        ASSERT_NE(column, nullptr);
        EXPECT_GE(column->verticalScrollBar()->maximum(), record->mapTo(dialog.get(), QPoint(0, record->height())).y() - 300);
    }
}

// The link line keeps the room of its lines whatever it says; a text longer than that ends in
// "…" and shows whole in the tooltip, ahead of the line's own; a word longer than a line (a path,
// a list of model names) is broken rather than cut off.
TEST(FixedLinesLabelTest, KeepsItsHeightAndShortensWhatDoesNotFit)
{
    FixedLinesLabel label(3);
    label.resize(160, label.height());
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    const int height = label.height();
    const QString word = QStringLiteral("TR20_A,TR30_A,TR30_E,TR20_B,TR20,TR10");
    const QString longText = QStringLiteral("No model fits; heard ") + QStringList(8, QStringLiteral("0 bytes at 115200 baud")).join(", ");
    for (const QString& text : {QString(), QStringLiteral("7.0 rev/s"), word, longText}) {
        SCOPED_TRACE(text.toStdString());
        label.setText(text);
        Settle(10);
        EXPECT_EQ(label.height(), height);
        const QStringList lines = label.ShownLines();
        EXPECT_LE(lines.size(), 3);
        for (const QString& line : lines)
            EXPECT_LE(label.fontMetrics().horizontalAdvance(line.trimmed()), label.contentsRect().width()) << line.toStdString();
        if (text != longText) {
            EXPECT_TRUE(label.ShowsWholeText());
            EXPECT_EQ(lines.join(QString()), text);
        }
    }
    EXPECT_FALSE(label.ShowsWholeText());
    EXPECT_TRUE(label.ShownLines().back().endsWith(QChar(0x2026)));
    label.setToolTip(QStringLiteral("Bytes per second: 0"));
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), label.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&label, &hover);
    EXPECT_EQ(QToolTip::text(), longText + QStringLiteral("\n\nBytes per second: 0"));
    QToolTip::hideText();
}

// The Chinese "saved" note has no blank before its path ("已保存：/…"), so wrapping broke the path
// inside where it needed a line of its own.
TEST(FileNoteTest, APathTooLongToStandBesideItsWordsGetsAWholeLineInBothLayouts)
{
    const QString path = QStringLiteral("/tmp/") + QString(60, 'r') + QStringLiteral("/Revolution_20261210-051233.png");
    for (const DialogLanguage language : {DialogLanguage::English, DialogLanguage::Chinese}) {
        FileNote note;
        note.resize(200, 100);
        note.Show(TextsFor(language).notes.saved, path);
        const QStringList lines = note.text().split('\n');
        const QStringList pathLines = lines.filter(QRegularExpression(QStringLiteral("^/tmp/r+….*\\.png$")));
        ASSERT_EQ(pathLines.size(), 1) << note.text().toStdString();
        EXPECT_LE(note.fontMetrics().horizontalAdvance(pathLines[0]), note.contentsRect().width());
        EXPECT_EQ(note.FullText(), TextsFor(language).notes.saved.arg(path));
    }
}
