// Freezing the picture on one revolution (Space) and saving the revolution on screen (Ctrl+S):
// a PNG of the view and a CSV of its points, named like the recordings, in the record folder.
#include <QBuffer>
#include <QLabel>
#include <QMenu>
#include <QShortcut>

#include "files/RecordFiles.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"
#include "view/RevolutionCsv.h"

void CPlotwellDlg::ConnectFreezeCommands()
{
    // A window-wide shortcut comes before the focused control's own use of Space: a focused
    // button is not pressed, a check box not toggled. An edit field claims the key first and
    // keeps typing blanks.
    auto* freeze = new QShortcut(Qt::Key_Space, this);
    freeze->setAutoRepeat(false);  // held down, it would flicker between frozen and live
    connect(freeze, &QShortcut::activated, this, &CPlotwellDlg::OnFreeze);
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setAutoRepeat(false);
    connect(save, &QShortcut::activated, this, &CPlotwellDlg::OnSaveRevolution);
}

void CPlotwellDlg::AddFreezeEntries(QMenu& menu)
{
    const FreezeTexts& texts = TextsFor(m_options.language).freeze;
    menu.addAction(m_Coord.IsFrozen() ? texts.resume : texts.freeze, this, &CPlotwellDlg::OnFreeze);
    menu.addAction(texts.save, this, &CPlotwellDlg::OnSaveRevolution);
}

void CPlotwellDlg::OnFreeze()
{
    const FreezeTexts& texts = TextsFor(m_options.language).freeze;
    if (m_Coord.IsFrozen()) {
        m_Coord.Resume();
        m_receiveLabel->setToolTip(QString());
        m_receiveLabel->hide();  // the next revolution flashes it as before
        return;
    }
    m_Coord.Freeze();
    m_receiveLabel->setToolTip(texts.frozenTip);
    const bool receiving = m_connection == Connection::Open || m_connection == Connection::Playing ||
                           m_connection == Connection::Subscribed;
    if (receiving)
        ShowReceiveIndicator(StatusText());
    else
        HideReceiveIndicator();
}

void CPlotwellDlg::ShowReceiveIndicator(const QString& status)
{
    const QString frozen = TextsFor(m_options.language).freeze.frozen;
    m_receiveLabel->setText(m_Coord.IsFrozen() ? frozen + QStringLiteral("  ") + status : status);
    m_receiveLabel->show();
}

// While frozen the indicator stays, saying so; the counters of a closed port would be stale.
void CPlotwellDlg::HideReceiveIndicator()
{
    if (!m_Coord.IsFrozen()) {
        m_receiveLabel->hide();
        return;
    }
    m_receiveLabel->setText(TextsFor(m_options.language).freeze.frozen);
    m_receiveLabel->show();
}

// Live, the newest revolution is frozen for the moment of saving, so that the picture and the
// points are of the same revolution even when the receive thread has just replaced the list.
void CPlotwellDlg::OnSaveRevolution()
{
    const bool live = !m_Coord.IsFrozen();
    if (live)
        m_Coord.Freeze();
    const PointList& list = m_Coord.FrozenList();
    FileWriteResult result;
    if (list.count > 0) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        const bool encoded = m_Coord.Surface().save(&buffer, "PNG");
        const SweepDirection direction = m_Coord.FrozenDirection();
        result = WriteRecordFiles(
            "Revolution_" + RecordTimeStamp(),
            {{".png", [&png, encoded](std::FILE* file) {
                  return encoded && std::fwrite(png.constData(), 1, static_cast<size_t>(png.size()), file) ==
                                        static_cast<size_t>(png.size());
              }},
             {".csv", [&list, direction](std::FILE* file) { return WriteRevolutionCsv(file, list, direction); }}});
    }
    if (live)
        m_Coord.Resume();
    const QString path = QString::fromStdString(result.path);
    switch (result.status) {
    case FileWriteResult::WRITTEN:
        SetFileNote(Notes().saved, path);
        break;
    case FileWriteResult::NOTHING_TO_WRITE:
        SetFileNote(Notes().nothingToSave);
        break;
    case FileWriteResult::FAILED:
        SetFileNote(Notes().notSaved, path);
        ShowMessage(this, QStringLiteral("Cannot write ") + path, QString::fromStdString(result.reason));
        break;
    }
}
