#include "FilesDialogFixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "files/HexDump.h"
#include "files/OutputDirectory.h"
#include "files/PlaybackState.h"
#include "files/Recording.h"

void FilesDialogTest::SetUp()
{
    DialogTest::SetUp();
    ResetPlaybackState();
    ResetRecording();
    recordDir = scratch / "records";
    SetRecordDirectory(recordDir);
}

void FilesDialogTest::TearDown()
{
    DialogTest::TearDown();  // ends a playback thread before the state goes
    SetRecordDirectory({});
    ResetRecording();
    ResetPlaybackState();
}

CPlotwellDlg& FilesDialogTest::ShowDialog(DialogLanguage language, std::vector<std::string> extraPorts)
{
    MakeDialog(language, std::move(extraPorts));
    dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    return *dialog;
}

QPoint FilesDialogTest::CentreOf(int id)
{
    QWidget* control = dialog->Control(id);
    return control->mapTo(dialog.get(), control->rect().center());
}

QString FilesDialogTest::WriteDataFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::string text(3 * bytes.size(), ' ');
    for (size_t i = 0; i < bytes.size(); ++i)
        EncodeHexByte(bytes[i], &text[3 * i]);
    scratch.WriteFile(name, text);
    return QString::fromStdString(scratch / name);
}

void DropFiles(CPlotwellDlg& dialog, const QPoint& position, const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    DropUrls(dialog, position, urls);
}

void DropUrls(CPlotwellDlg& dialog, const QPoint& position, const QList<QUrl>& urls)
{
    QWidget* target = dialog.childAt(position);
    if (target == nullptr)
        target = &dialog;
    const QPoint local = target->mapFrom(&dialog, position);
    QMimeData data;
    data.setUrls(urls);
    QStringList paths;
    for (const QUrl& url : urls)
        paths << url.toLocalFile();
    data.setText(paths.join(QLatin1Char('\n')));
    QDragEnterEvent enter(local, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(local, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}
