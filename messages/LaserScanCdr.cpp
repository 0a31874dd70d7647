#include "messages/LaserScanCdr.h"

#include <bit>
#include <cstring>

// The body is copied in the host's order and labelled little-endian.
static_assert(std::endian::native == std::endian::little, "EncodeLaserScanCdr writes the host's byte order");

namespace {

constexpr size_t HEADER_SIZE = 4;
constexpr uint8_t CDR_BE = 0x00;
constexpr uint8_t CDR_LE = 0x01;
constexpr uint8_t CDR2_BE = 0x06;
constexpr uint8_t CDR2_LE = 0x07;
constexpr size_t SCALARS = 7;  // angle_min .. range_max

size_t Aligned4(size_t at)
{
    return (at + 3) & ~size_t{3};
}

// Appends at `at` in the message body (after the header); the body's size was reserved.
class BodyWriter {
public:
    explicit BodyWriter(uint8_t* body) : m_body(body) {}
    void U32(uint32_t value)
    {
        // Padding is zero, as DDS writes it: a reused buffer holds the previous message's bytes.
        for (; m_at % 4 != 0; ++m_at)
            m_body[m_at] = 0;
        std::memcpy(m_body + m_at, &value, 4);
        m_at += 4;
    }
    void F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        U32(bits);
    }
    void Text(const std::string& text)
    {
        U32(static_cast<uint32_t>(text.size() + 1));
        std::memcpy(m_body + m_at, text.data(), text.size());
        m_body[m_at + text.size()] = 0;
        m_at += text.size() + 1;
    }
    void Floats(const std::vector<float>& values)
    {
        U32(static_cast<uint32_t>(values.size()));
        if (!values.empty())
            std::memcpy(m_body + m_at, values.data(), values.size() * 4);
        m_at += values.size() * 4;
    }

private:
    uint8_t* m_body;
    size_t m_at = 0;
};

class BodyReader {
public:
    BodyReader(const uint8_t* body, size_t size, bool bigEndian) : m_body(body), m_size(size), m_swap(bigEndian) {}

    bool U32(uint32_t& value)
    {
        m_at = Aligned4(m_at);
        if (m_at > m_size || m_size - m_at < 4)
            return false;
        std::memcpy(&value, m_body + m_at, 4);
        if (m_swap)
            value = __builtin_bswap32(value);
        m_at += 4;
        return true;
    }
    bool F32(float& value)
    {
        uint32_t bits = 0;
        if (!U32(bits))
            return false;
        std::memcpy(&value, &bits, 4);
        return true;
    }
    // A count of 4-byte values, refused when the bytes left cannot hold them.
    bool Count(uint32_t& count)
    {
        return U32(count) && count <= (m_size - m_at) / 4;
    }
    bool Text(std::string& text, std::string& reason)
    {
        uint32_t length = 0;
        if (!U32(length) || length > m_size - m_at) {
            reason = "frame_id runs past the end of the message";
            return false;
        }
        // A zero length is no string at all; some writers send it for an empty one.
        if (length > 0 && m_body[m_at + length - 1] != 0) {
            reason = "frame_id lacks its terminating zero";
            return false;
        }
        text.assign(reinterpret_cast<const char*>(m_body + m_at), length > 0 ? length - 1 : 0);
        m_at += length;
        return true;
    }
    bool Floats(std::vector<float>& values, const char* name, std::string& reason)
    {
        uint32_t count = 0;
        if (!Count(count)) {
            reason = std::string(name) + " holds more values than the message has bytes";
            return false;
        }
        values.resize(count);
        for (float& value : values)
            F32(value);
        return true;
    }

private:
    const uint8_t* m_body;
    size_t m_size;
    bool m_swap;
    size_t m_at = 0;
};

size_t BodySize(const LaserScan& scan)
{
    size_t size = 8 + 4 + scan.frameId.size() + 1;
    size = Aligned4(size) + SCALARS * 4;
    size += 4 + scan.ranges.size() * 4;
    size += 4 + scan.intensities.size() * 4;
    return size;
}

}  // namespace

void EncodeLaserScanCdr(const LaserScan& scan, std::vector<uint8_t>& out)
{
    out.resize(HEADER_SIZE + BodySize(scan));
    out[0] = 0x00;
    out[1] = CDR_LE;
    out[2] = 0x00;
    out[3] = 0x00;
    BodyWriter body(out.data() + HEADER_SIZE);
    body.U32(static_cast<uint32_t>(scan.stampSec));
    body.U32(scan.stampNanosec);
    body.Text(scan.frameId);
    for (float value : {scan.angleMin, scan.angleMax, scan.angleIncrement, scan.timeIncrement, scan.scanTime,
                        scan.rangeMin, scan.rangeMax})
        body.F32(value);
    body.Floats(scan.ranges);
    body.Floats(scan.intensities);
}

bool DecodeLaserScanCdr(const uint8_t* bytes, size_t size, LaserScan& scan, std::string& reason)
{
    if (bytes == nullptr || size < HEADER_SIZE) {
        reason = "shorter than the encapsulation header";
        return false;
    }
    const uint8_t kind = bytes[1];
    if (bytes[0] != 0x00 || (kind != CDR_BE && kind != CDR_LE && kind != CDR2_BE && kind != CDR2_LE)) {
        reason = "not CDR (encapsulation " + std::to_string(bytes[0]) + " " + std::to_string(bytes[1]) + ")";
        return false;
    }
    BodyReader body(bytes + HEADER_SIZE, size - HEADER_SIZE, kind == CDR_BE || kind == CDR2_BE);
    uint32_t sec = 0;
    float* scalars[SCALARS] = {&scan.angleMin,      &scan.angleMax, &scan.angleIncrement, &scan.timeIncrement,
                               &scan.scanTime,      &scan.rangeMin, &scan.rangeMax};
    if (!body.U32(sec) || !body.U32(scan.stampNanosec)) {
        reason = "ends inside the header's stamp";
        return false;
    }
    scan.stampSec = static_cast<int32_t>(sec);
    if (!body.Text(scan.frameId, reason))
        return false;
    for (float* scalar : scalars) {
        if (!body.F32(*scalar)) {
            reason = "ends before range_max";
            return false;
        }
    }
    return body.Floats(scan.ranges, "ranges", reason) && body.Floats(scan.intensities, "intensities", reason);
}
