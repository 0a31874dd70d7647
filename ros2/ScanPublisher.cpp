#include "ros2/ScanPublisher.h"

#include "LaserScanWire.h"

namespace {

constexpr int32_t KEEP_LAST = 10;

dds_qos_t* WriterQos()
{
    dds_qos_t* qos = dds_create_qos();
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, ScanPublisher::LONGEST_WRITE);
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, KEEP_LAST);
    dds_qset_durability(qos, DDS_DURABILITY_VOLATILE);
    // ROS 2 nodes read classic CDR; pinned so that a newer default cannot change the wire.
    const dds_data_representation_id_t plainCdr = DDS_DATA_REPRESENTATION_XCDR1;
    dds_qset_data_representation(qos, 1, &plainCdr);
    return qos;
}

// The wire struct over the scan's own buffers; DDS only reads them while writing.
dds_sequence_float Borrowed(const std::vector<float>& values)
{
    const auto length = static_cast<uint32_t>(values.size());
    return {length, length, const_cast<float*>(values.data()), false};
}

sensor_msgs_msg_dds__LaserScan_ WireOf(const LaserScan& scan)
{
    sensor_msgs_msg_dds__LaserScan_ wire{};
    wire.header.stamp.sec = scan.stampSec;
    wire.header.stamp.nanosec = scan.stampNanosec;
    wire.header.frame_id = const_cast<char*>(scan.frameId.c_str());
    wire.angle_min = scan.angleMin;
    wire.angle_max = scan.angleMax;
    wire.angle_increment = scan.angleIncrement;
    wire.time_increment = scan.timeIncrement;
    wire.scan_time = scan.scanTime;
    wire.range_min = scan.rangeMin;
    wire.range_max = scan.rangeMax;
    wire.ranges = Borrowed(scan.ranges);
    wire.intensities = Borrowed(scan.intensities);
    return wire;
}

}  // namespace

bool ScanPublisher::Open(uint32_t domain, const std::string& rosTopic, std::string& reason,
                         const std::string& nodeName)
{
    Close();
    if (!m_topic.Open(domain, rosTopic, reason))
        return false;
    dds_qos_t* qos = WriterQos();
    m_writer = dds_create_writer(m_topic.Participant(), m_topic.Topic(), qos, nullptr);
    dds_delete_qos(qos);
    if (m_writer < 0) {
        reason = DdsFailure("cannot make a writer for " + m_topic.DdsName(), m_writer);
        Close();
        return false;
    }
    if (!m_topic.AnnounceNode(nodeName, m_writer, EndpointKind::Writer, reason)) {
        Close();
        return false;
    }
    return true;
}

void ScanPublisher::Close()
{
    m_topic.Close();
    m_writer = 0;
}

bool ScanPublisher::Publish(const LaserScan& scan)
{
    if (m_writer <= 0)
        return false;
    const sensor_msgs_msg_dds__LaserScan_ wire = WireOf(scan);
    return dds_write(m_writer, &wire) == DDS_RETCODE_OK;
}

int32_t ScanPublisher::MatchedSubscribers() const
{
    dds_publication_matched_status_t status{};
    if (m_writer <= 0 || dds_get_publication_matched_status(m_writer, &status) != DDS_RETCODE_OK)
        return 0;
    return static_cast<int32_t>(status.current_count);
}
