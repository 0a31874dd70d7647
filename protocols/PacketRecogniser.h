// Finds the packets of one protocol in a byte stream by their header and check bytes alone: no
// frame is assembled and no shared state is touched, so that the recognisers of every protocol
// can run side by side on bytes whose protocol is not known yet (the scanner probe).
#pragma once

#include <cstdint>

// What one recogniser made of the bytes fed to it so far.
struct RecognisedStream {
    int64_t bytes = 0;        // bytes fed
    int64_t accepted = 0;     // packets whose check bytes fit
    int64_t rejected = 0;     // packet headers whose check bytes did not fit
    int64_t skipped = 0;      // bytes passed over while looking for a header
    int64_t revolutions = 0;  // revolution ends seen
    // From the first revolution end to the last: the samples between them and the time.
    int64_t revolutionSamples = 0;
    double revolutionSeconds = 0.0;

    // Averages over the whole revolutions seen; 0 until two revolution ends have been seen.
    double SamplesPerRevolution() const;
    double RevolutionsPerSecond() const;
};

// What the bytes at the start of a buffer are to one protocol.
struct PacketVerdict {
    enum Kind { NotHeader, NeedMore, Rejected, Accepted } kind;
    int32_t length = 0;   // bytes of an accepted packet
    int32_t samples = 0;  // samples it carries
    // Where a revolution ends relative to an accepted packet.
    enum Boundary { None, BeforePacket, AfterPacket } boundary = None;
};

// What a protocol's judgement keeps between packets.
struct RecogniserState {
    int32_t pointNum;                // protocol 0's samples per packet
    int32_t previousAngleWord = -1;  // protocol 2: start angle of the last packet, -1 before one
};

// Each protocol's judgement, named in its row of the protocol table.
PacketVerdict ExamineProtocol0(RecogniserState& state, const uint8_t* bytes, int32_t available);
PacketVerdict ExamineProtocol1(RecogniserState& state, const uint8_t* bytes, int32_t available);
PacketVerdict ExamineProtocol2(RecogniserState& state, const uint8_t* bytes, int32_t available);
PacketVerdict ExamineProtocol3(RecogniserState& state, const uint8_t* bytes, int32_t available);

class PacketRecogniser {
public:
    // `pointNum`: the samples per packet that protocol 0's packet length follows from.
    explicit PacketRecogniser(int32_t protocol, int32_t pointNum = 30);

    // `seconds`: when these bytes arrived, on any steady clock; it times the revolutions.
    void Feed(const uint8_t* bytes, int32_t length, double seconds);

    int32_t Protocol() const { return m_protocol; }
    int32_t PointNum() const { return m_state.pointNum; }
    const RecognisedStream& Stream() const { return m_stream; }

private:
    void Take(const PacketVerdict& verdict, double seconds);
    void EndRevolution(double seconds);
    void Scan(double seconds);

    // Room for the longest packet of any protocol (protocol 0 at 200 points) twice over.
    static constexpr int32_t BUFFER_SIZE = 1024;

    int32_t m_protocol;
    PacketVerdict (*m_examine)(RecogniserState&, const uint8_t*, int32_t);
    RecogniserState m_state;
    RecognisedStream m_stream;
    uint8_t m_buffer[BUFFER_SIZE];
    int32_t m_start = 0;  // first byte not yet judged
    int32_t m_fill = 0;
    double m_firstEndSeconds = 0.0;
    int64_t m_samplesSinceFirstEnd = 0;
};
