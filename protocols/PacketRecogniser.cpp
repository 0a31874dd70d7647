#include "protocols/PacketRecogniser.h"

#include <algorithm>
#include <cstring>

#include "protocols/Protocol0Encoder.h"
#include "protocols/Protocol1Check.h"
#include "protocols/Protocol2Check.h"
#include "protocols/Protocol3Encoder.h"
#include "protocols/ProtocolTable.h"

namespace {

using Verdict = PacketVerdict;

constexpr Verdict NOT_HEADER{Verdict::NotHeader};
constexpr Verdict NEED_MORE{Verdict::NeedMore};
constexpr Verdict REJECTED{Verdict::Rejected};

Verdict Accepted(int32_t length, int32_t samples, Verdict::Boundary boundary = Verdict::None)
{
    return {Verdict::Accepted, length, samples, boundary};
}

// True when the available bytes start like the header but are fewer than `needed` to judge it.
template <size_t N>
bool PartialHeader(const uint8_t* bytes, int32_t available, const uint8_t (&header)[N], int32_t needed)
{
    const auto compared = std::min(static_cast<size_t>(available), N);
    return available < needed && std::memcmp(bytes, header, compared) == 0;
}

constexpr uint8_t PROTOCOL0_HEADER[] = {0x55, 0xAA};
constexpr uint8_t PROTOCOL1_HEADER[] = {0xAA, 0x55};
constexpr uint8_t PROTOCOL2_HEADER[] = {0x55, 0xAA, 0x03, 0x08};
constexpr uint8_t PROTOCOL0_TAIL = 0xFA;
constexpr uint8_t PROTOCOL3_START = 0xFA;
constexpr int32_t PROTOCOL2_SAMPLES = 8;
constexpr int32_t PROTOCOL3_SAMPLES = 4;

}  // namespace

double RecognisedStream::SamplesPerRevolution() const
{
    return revolutions > 1 ? static_cast<double>(revolutionSamples) / static_cast<double>(revolutions - 1) : 0.0;
}

double RecognisedStream::RevolutionsPerSecond() const
{
    return revolutions > 1 && revolutionSeconds > 0.0 ? static_cast<double>(revolutions - 1) / revolutionSeconds
                                                      : 0.0;
}

PacketRecogniser::PacketRecogniser(int32_t protocol, int32_t pointNum)
    : m_protocol(protocol), m_examine(ProtocolFor(protocol).examine), m_state{pointNum}, m_buffer{}
{
}

void PacketRecogniser::Feed(const uint8_t* bytes, int32_t length, double seconds)
{
    while (length > 0) {
        m_fill -= m_start;
        std::memmove(m_buffer, m_buffer + m_start, static_cast<size_t>(m_fill));
        m_start = 0;
        const int32_t taken = std::min(length, BUFFER_SIZE - m_fill);
        std::memcpy(m_buffer + m_fill, bytes, static_cast<size_t>(taken));
        m_fill += taken;
        m_stream.bytes += taken;
        bytes += taken;
        length -= taken;
        Scan(seconds);
    }
}

void PacketRecogniser::Scan(double seconds)
{
    while (m_start < m_fill) {
        const Verdict verdict = m_examine(m_state, m_buffer + m_start, m_fill - m_start);
        if (verdict.kind == Verdict::NeedMore)
            return;
        if (verdict.kind == Verdict::Accepted) {
            Take(verdict, seconds);
            m_start += verdict.length;
            continue;
        }
        // A rejected packet is judged again from its next byte: its tail may hold a header.
        if (verdict.kind == Verdict::Rejected)
            ++m_stream.rejected;
        ++m_stream.skipped;
        ++m_start;
    }
}

void PacketRecogniser::Take(const Verdict& verdict, double seconds)
{
    ++m_stream.accepted;
    if (verdict.boundary == Verdict::BeforePacket)
        EndRevolution(seconds);
    if (m_stream.revolutions > 0)
        m_samplesSinceFirstEnd += verdict.samples;
    if (verdict.boundary == Verdict::AfterPacket)
        EndRevolution(seconds);
}

void PacketRecogniser::EndRevolution(double seconds)
{
    if (m_stream.revolutions == 0) {
        m_firstEndSeconds = seconds;
        m_samplesSinceFirstEnd = 0;
    } else {
        m_stream.revolutionSamples = m_samplesSinceFirstEnd;
        m_stream.revolutionSeconds = seconds - m_firstEndSeconds;
    }
    ++m_stream.revolutions;
}

// Header, a sector number below 15 and the tail byte where the point number puts it: there are
// no check bytes, the tail stands in for them.
Verdict ExamineProtocol0(RecogniserState& state, const uint8_t* bytes, int32_t available)
{
    if (PartialHeader(bytes, available, PROTOCOL0_HEADER, 3))
        return NEED_MORE;
    if (available < 3 || bytes[0] != 0x55 || bytes[1] != 0xAA || bytes[2] >= PROTOCOL0_SECTORS)
        return NOT_HEADER;
    const int32_t length = Protocol0PacketBytes(state.pointNum);
    if (available < length)
        return NEED_MORE;
    if (bytes[length - 1] != PROTOCOL0_TAIL)
        return REJECTED;
    const bool lastSector = bytes[2] == PROTOCOL0_SECTORS - 1;
    return Accepted(length, std::min<int32_t>(bytes[3], state.pointNum), lastSector ? Verdict::AfterPacket : Verdict::None);
}

Verdict ExamineProtocol1(RecogniserState&, const uint8_t* bytes, int32_t available)
{
    if (PartialHeader(bytes, available, PROTOCOL1_HEADER, 8))
        return NEED_MORE;
    if (available < 8 || bytes[0] != 0xAA || bytes[1] != 0x55)
        return NOT_HEADER;
    if (Protocol1ZeroPacketShape(bytes)) {
        if (available < PROTOCOL1_ZERO_PACKET_SIZE)
            return NEED_MORE;
        if (!Protocol1CheckMatches(bytes, PROTOCOL1_ZERO_PACKET_SIZE))
            return REJECTED;
        return Accepted(PROTOCOL1_ZERO_PACKET_SIZE, 1, Verdict::AfterPacket);
    }
    const int32_t samples = Protocol1DataSamples(bytes);
    if (samples == 0)
        return NOT_HEADER;
    const int32_t length = PROTOCOL1_HEADER_SIZE + 2 * samples;
    if (available < length)
        return NEED_MORE;
    if (!Protocol1CheckMatches(bytes, length))
        return REJECTED;
    return Accepted(length, samples);
}

// A revolution ends where the start angle falls back: the packet after the wrap opens the next.
Verdict ExamineProtocol2(RecogniserState& state, const uint8_t* bytes, int32_t available)
{
    if (PartialHeader(bytes, available, PROTOCOL2_HEADER, 4))
        return NEED_MORE;
    if (available < 4 || std::memcmp(bytes, PROTOCOL2_HEADER, 4) != 0)
        return NOT_HEADER;
    if (available < PROTOCOL2_PACKET_SIZE)
        return NEED_MORE;
    const uint16_t check = static_cast<uint16_t>(bytes[PROTOCOL2_CHECK_OFFSET] | bytes[PROTOCOL2_CHECK_OFFSET + 1] << 8);
    if (Protocol2CheckValue(bytes) != check)
        return REJECTED;
    const int32_t angleWord = bytes[6] | bytes[7] << 8;
    const bool wrapped = angleWord < state.previousAngleWord;
    state.previousAngleWord = angleWord;
    return Accepted(PROTOCOL2_PACKET_SIZE, PROTOCOL2_SAMPLES, wrapped ? Verdict::BeforePacket : Verdict::None);
}

// The device's check bytes mean nothing (receivers ignore them), so the index sequence stands
// in for them: a packet counts when the next one carries the following index.
Verdict ExamineProtocol3(RecogniserState&, const uint8_t* bytes, int32_t available)
{
    if (bytes[0] != PROTOCOL3_START)
        return NOT_HEADER;
    if (available < 2)
        return NEED_MORE;
    const uint8_t index = bytes[1];
    if (index < PROTOCOL3_FIRST_INDEX || index > PROTOCOL3_LAST_INDEX)
        return NOT_HEADER;
    if (available < 2 * PROTOCOL3_PACKET_BYTES)
        return NEED_MORE;
    const uint8_t* next = bytes + PROTOCOL3_PACKET_BYTES;
    const bool last = index == PROTOCOL3_LAST_INDEX;
    const uint8_t nextIndex = last ? PROTOCOL3_FIRST_INDEX : static_cast<uint8_t>(index + 1);
    if (next[0] != PROTOCOL3_START || next[1] != nextIndex)
        return REJECTED;
    return Accepted(PROTOCOL3_PACKET_BYTES, PROTOCOL3_SAMPLES, last ? Verdict::AfterPacket : Verdict::None);
}
