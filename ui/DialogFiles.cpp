// Recording and dropped-file playback on the main dialog.
#include "ui/PlotwellDlg.h"

void CPlotwellDlg::OnDropFiles(const QPoint&, const QStringList&)
{
}

void CPlotwellDlg::OnRecordData()
{
}

void CPlotwellDlg::OnStepFrame()
{
}
