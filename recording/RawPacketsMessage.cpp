#include "recording/RawPacketsMessage.h"

#include <cstring>

namespace {

// The encapsulation header of plain CDR in little-endian order.
constexpr uint8_t CDR_LITTLE_ENDIAN[4] = {0x00, 0x01, 0x00, 0x00};

constexpr char SEPARATOR[] = "\n================================================================================\nMSG: ";

// Reads CDR fields from a message body (after its 4-byte encapsulation header), with every
// length checked against what is left; alignment counts from the body's start.
class CdrReader {
public:
    CdrReader(std::span<const uint8_t> body, bool little) : m_body(body), m_little(little) {}

    bool U32(uint32_t& value)
    {
        m_at = (m_at + 3) & ~size_t{3};
        if (m_at > m_body.size() || m_body.size() - m_at < 4)
            return false;
        const uint8_t* p = m_body.data() + m_at;
        value = m_little ? p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24
                         : p[3] | p[2] << 8 | p[1] << 16 | static_cast<uint32_t>(p[0]) << 24;
        m_at += 4;
        return true;
    }

    bool Skip(uint32_t count)
    {
        if (m_body.size() - m_at < count)
            return false;
        m_at += count;
        return true;
    }

    bool Bytes(uint32_t count, std::span<const uint8_t>& bytes)
    {
        if (m_body.size() - m_at < count)
            return false;
        bytes = m_body.subspan(m_at, count);
        m_at += count;
        return true;
    }

private:
    std::span<const uint8_t> m_body;
    bool m_little;
    size_t m_at = 0;
};

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i, value >>= 8)
        out.push_back(static_cast<uint8_t>(value));
}

}  // namespace

const std::string& RawPacketsDefinition()
{
    static const std::string definition =
        std::string("# Please look at the MultiArrayLayout message definition for\n"
                    "# documentation on all multiarrays.\n"
                    "\n"
                    "MultiArrayLayout  layout        # how the data is laid out\n"
                    "uint8[]           data          # array of data\n") +
        SEPARATOR + "std_msgs/MultiArrayLayout\n" +
        "# The multiarray declares a generic multi-dimensional array of a\n"
        "# particular data type.  Dimensions are ordered from outer most\n"
        "# to inner most.\n"
        "\n"
        "MultiArrayDimension[] dim # Array of dimension properties\n"
        "uint32 data_offset        # padding elements at front of data\n" +
        SEPARATOR + "std_msgs/MultiArrayDimension\n" +
        "string label   # label of given dimension\n"
        "uint32 size    # size of given dimension (in type units)\n"
        "uint32 stride  # stride of given dimension\n";
    return definition;
}

void EncodeRawPackets(std::span<const uint8_t> bytes, std::vector<uint8_t>& message)
{
    message.clear();
    for (const uint8_t byte : CDR_LITTLE_ENDIAN)
        message.push_back(byte);
    PutU32(message, 0);                                       // layout.dim: none
    PutU32(message, 0);                                       // layout.data_offset
    PutU32(message, static_cast<uint32_t>(bytes.size()));
    message.insert(message.end(), bytes.begin(), bytes.end());
}

bool DecodeRawPackets(std::span<const uint8_t> message, std::span<const uint8_t>& bytes)
{
    // Encapsulation: 0x00 0x00 plain CDR big-endian, 0x00 0x01 little-endian.
    if (message.size() < 4 || message[0] != 0 || message[1] > 1)
        return false;
    CdrReader cdr(message.subspan(4), message[1] == 1);
    uint32_t dimensions = 0;
    if (!cdr.U32(dimensions))
        return false;
    for (uint32_t i = 0; i < dimensions; ++i) {
        uint32_t labelLength = 0;
        uint32_t ignored = 0;
        if (!cdr.U32(labelLength) || !cdr.Skip(labelLength) || !cdr.U32(ignored) || !cdr.U32(ignored))
            return false;
    }
    uint32_t dataOffset = 0;
    uint32_t length = 0;
    return cdr.U32(dataOffset) && cdr.U32(length) && cdr.Bytes(length, bytes);
}
