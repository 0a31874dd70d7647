// What a packet protocol is, in one row per protocol code: its parser, the end-of-input scan, the
// packet recogniser, the simulator's encoder, the sweep direction of its angles, how playback
// marks and paces its frames, its packet sizes and the name shown to users. Nothing outside this
// table decides anything by protocol code; adding a protocol is a new row and its files.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"
#include "protocols/PacketRecogniser.h"
#include "protocols/Revolution.h"

class CSerialPort;

// The way a scanner's angles run as it turns, seen from above with 0 degrees along +x.
enum class SweepDirection {
    Clockwise,
    CounterClockwise,
};

// How playback finds the frames of a loaded file (also what a frame snapshot writes).
enum class PlaybackFrames {
    Markers,        // from one 0xAA 0x55 0x01 0x01 marker to the next
    SectorPackets,  // runs of 15 sector packets of the point number's length
    Revolutions,    // from one revolution end to the next, as the packet recogniser finds them
};

// How playback hands the loaded bytes to the parser.
enum class PlaybackReading {
    FrameRing,   // the current frame as an endless ring, as much as the parser has room for
    WholeFrame,  // the current frame's bytes at once
};

struct ProtocolRow {
    int32_t code;
    const char* name;  // as users read it in messages

    // --- decoding ---
    // Reads and decodes; true when a revolution is complete in `frame`.
    bool (*parse)(CSerialPort& port, ScanFrame& frame);
    // Empties the parser (a fresh process's state).
    void (*reset)();
    // At the end of a byte source: completes a revolution the parser's buffer still holds, or
    // false. Null where the parser needs no such scan.
    bool (*finishInput)(CSerialPort& port, ScanFrame& frame);
    // The packet recogniser's judgement of the bytes at the start of a buffer.
    PacketVerdict (*examine)(RecogniserState& state, const uint8_t* bytes, int32_t available);
    SweepDirection direction;
    // Samples one packet carries; 0 where the operator's point number sets it.
    int32_t samplesPerPacket;
    // The LaserScan bins a revolution is sorted into by default; 0: fifteen sectors of the
    // model's point number.
    int32_t scanBins;

    // --- the simulated scanner ---
    int32_t (*encode)(const Revolution& revolution, const EncoderSettings& settings, uint8_t* out, int32_t room);
    int32_t simulatedSamplesPerSecond;  // what the line leaves room for
    float simulatedRevolutionsPerSecond;
    // Bytes of the next revolution a receiver needs to see before it closes the last one (the
    // revolution ends at the first sample past the turn); 0 when the last packet closes it.
    int32_t closingBytes;

    // --- playback of a loaded file ---
    PlaybackFrames playbackFrames;
    PlaybackReading playbackReading;
    int32_t playbackChunk;        // most bytes a ring read hands over; 0: all the parser has room for
    int playbackPauseAfterReadMs;
    int playbackPauseAfterFrameMs;  // per revolution completed from the file
};

// The row of `code`; a code outside the table gets protocol 0's, as the receive loop always
// treated "any other code".
const ProtocolRow& ProtocolFor(int32_t code);

// Whether `code` has a row of its own.
bool KnownProtocol(int32_t code);

// Every row, in code order, and how many.
const ProtocolRow* ProtocolRows();
int32_t ProtocolCount();
