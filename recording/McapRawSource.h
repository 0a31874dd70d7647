// A recording's raw channel as the parsers' byte source: the bytes the port read, message after
// message in log-time order, handed out as a device would hand them. For decode, publish and
// convert on the command line, and for loading a recording into the window's playback.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "acquisition/ByteSource.h"
#include "mcap/McapReader.h"
#include "recording/RecordingMetadata.h"

// The channel of raw packets in a recording (0 when it has none).
uint16_t FindRawChannel(const McapReader& reader);

class McapRawSource : public ByteSource {
public:
    // False with the reason when the file cannot be read or has no raw channel.
    [[nodiscard]] bool Open(const std::string& path, std::string& reason);
    // After a failed Open: the file was read but has no raw channel.
    bool LacksRawChannel() const { return m_lacksRawChannel; }
    // The model and protocol the recording names.
    const RecordedRun& Run() const { return m_run; }

    // The bytes left of the current message, the next message's once it is used up; 0 at the end.
    int32_t Waiting() override;
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override;

    // Once ended: damage that ended the readable part early, or a message of the raw channel
    // that is not one. Empty when the recording was read whole (a cut file's cut is not damage:
    // see Cut()).
    const std::string& Problem() const { return m_problem; }
    // The recording was cut off (a killed program, a full disk): read up to the cut.
    bool Cut() const { return !m_reader.Complete(); }

private:
    bool NextMessage();

    McapReader m_reader;
    std::unique_ptr<McapMessageStream> m_stream;
    RecordedRun m_run;
    std::span<const uint8_t> m_left;
    bool m_ended = false;
    bool m_lacksRawChannel = false;
    std::string m_problem;
};
