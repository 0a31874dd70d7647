#include "ui/RecordFormatControl.h"

#include <QComboBox>
#include <cstdio>

#include "files/RecordFiles.h"

RecordFormatControl::RecordFormatControl(RecordFormat initial) : m_initial(initial) {}

QComboBox* RecordFormatControl::CreateBox()
{
    m_box = new QComboBox;
    m_box->addItem(QStringLiteral("Text"));
    m_box->addItem(QStringLiteral("MCAP"));
    m_box->setCurrentIndex(m_initial == RecordFormat::Mcap ? 1 : 0);
    m_box->setToolTip(QStringLiteral("What RECORD_DATA writes: the text files, or an MCAP recording "
                                     "(ROS 2 bags, Foxglove) written as it arrives"));
    return m_box;
}

RecordFormat RecordFormatControl::Chosen() const
{
    const int index = m_box != nullptr ? m_box->currentIndex() : (m_initial == RecordFormat::Mcap ? 1 : 0);
    return index == 1 ? RecordFormat::Mcap : RecordFormat::Text;
}

void RecordFormatControl::SetEnabled(bool enabled)
{
    if (m_box != nullptr)
        m_box->setEnabled(enabled);
}

FileWriteResult RecordFormatControl::Start()
{
    FileWriteResult file = ReserveRecordFile("Scan_" + RecordTimeStamp(), ".mcap");
    if (file.status != FileWriteResult::WRITTEN)
        return file;
    std::string reason;
    if (!m_output.Start(file.path, {}, reason)) {
        std::remove(file.path.c_str());  // the name it had reserved
        return {FileWriteResult::FAILED, file.path, reason};
    }
    m_path = file.path;
    return file;
}

FileWriteResult RecordFormatControl::Stop()
{
    std::string reason;
    if (!m_output.Stop(reason))
        return {FileWriteResult::FAILED, m_path, reason};
    return {FileWriteResult::WRITTEN, m_path, {}};
}

QString RecordFormatControl::Held() const
{
    const double megabytes = static_cast<double>(m_output.Bytes()) / 1e6;
    return QStringLiteral("%1 revolutions, %2 MB").arg(m_output.Revolutions()).arg(megabytes, 0, 'f', 1);
}
