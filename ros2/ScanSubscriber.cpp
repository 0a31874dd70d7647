#include "ros2/ScanSubscriber.h"

#include <dds/ddsi/ddsi_serdata.h>

#include <system_error>

#include "messages/LaserScanCdr.h"

namespace {

dds_qos_t* ReaderQos()
{
    dds_qos_t* qos = dds_create_qos();
    dds_qset_reliability(qos, DDS_RELIABILITY_BEST_EFFORT, 0);
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, 1);
    dds_qset_durability(qos, DDS_DURABILITY_VOLATILE);
    const dds_data_representation_id_t accepted[] = {DDS_DATA_REPRESENTATION_XCDR1, DDS_DATA_REPRESENTATION_XCDR2};
    dds_qset_data_representation(qos, 2, accepted);
    return qos;
}

}  // namespace

ScanSubscriber::~ScanSubscriber()
{
    Close();
}

bool ScanSubscriber::Open(uint32_t domain, const std::string& rosTopic, ScanCallback callback, std::string& reason,
                          const std::string& nodeName)
{
    Close();
    if (!m_topic.Open(domain, rosTopic, reason))
        return false;
    if (!MakeReader(reason) || !m_topic.AnnounceNode(nodeName, m_reader, EndpointKind::Reader, reason)) {
        Close();
        return false;
    }
    m_callback = std::move(callback);
    m_stop.store(false, std::memory_order_relaxed);
    m_undecodable.store(0, std::memory_order_relaxed);
    try {
        m_thread = std::thread(&ScanSubscriber::Run, this);
    } catch (const std::system_error& error) {
        reason = std::string("cannot start the receiving thread: ") + error.what();
        Close();
        return false;
    }
    return true;
}

// The reader, and a wait set that wakes for new data or for Close.
bool ScanSubscriber::MakeReader(std::string& reason)
{
    const dds_entity_t participant = m_topic.Participant();
    dds_qos_t* qos = ReaderQos();
    dds_return_t result = m_reader = dds_create_reader(participant, m_topic.Topic(), qos, nullptr);
    dds_delete_qos(qos);
    dds_entity_t readable = 0;
    if (result >= 0)
        result = readable = dds_create_readcondition(m_reader, DDS_ANY_STATE);
    if (result >= 0)
        result = m_waitset = dds_create_waitset(participant);
    if (result >= 0)
        result = m_wakeUp = dds_create_guardcondition(participant);
    if (result >= 0)
        result = dds_waitset_attach(m_waitset, readable, readable);
    if (result >= 0)
        result = dds_waitset_attach(m_waitset, m_wakeUp, m_wakeUp);
    if (result >= 0)
        return true;
    reason = DdsFailure("cannot make a reader for " + m_topic.DdsName(), result);
    return false;
}

void ScanSubscriber::Close()
{
    if (m_thread.joinable()) {
        m_stop.store(true, std::memory_order_relaxed);
        dds_set_guardcondition(m_wakeUp, true);
        m_thread.join();
    }
    m_topic.Close();
    m_reader = m_waitset = m_wakeUp = 0;
    m_callback = nullptr;
}

void ScanSubscriber::Run()
{
    while (!m_stop.load(std::memory_order_relaxed)) {
        if (dds_waitset_wait(m_waitset, nullptr, 0, DDS_INFINITY) < 0)
            return;
        if (m_stop.load(std::memory_order_relaxed))
            return;
        TakeAll();
    }
}

// Takes the serialized bytes and reads them with the same decoder as every other input of
// LaserScans, so that what a subscribed window draws is exactly what that decoder accepts. The
// buffers grow to the largest scan seen, then nothing more is allocated of ours.
void ScanSubscriber::TakeAll()
{
    for (;;) {
        ddsi_serdata* data = nullptr;
        dds_sample_info_t info;
        if (dds_takecdr(m_reader, &data, 1, &info, DDS_ANY_STATE) != 1)
            return;
        if (info.valid_data) {
            m_bytes.resize(ddsi_serdata_size(data));
            ddsi_serdata_to_ser(data, 0, m_bytes.size(), m_bytes.data());
        }
        ddsi_serdata_unref(data);
        if (!info.valid_data)
            continue;
        std::string reason;
        if (DecodeLaserScanCdr(m_bytes.data(), m_bytes.size(), m_scan, reason))
            m_callback(m_scan);
        else
            m_undecodable.fetch_add(1, std::memory_order_relaxed);
    }
}
