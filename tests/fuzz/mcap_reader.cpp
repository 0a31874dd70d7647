// Fuzz target: a recording as playback opens it, from bytes in memory: through its summary and
// by scanning, its definitions, then every message of every channel in log-time order, and the
// byte arrays of the raw channel, which playback hands to the parsers.
#include <cstdint>
#include <memory>
#include <span>

#include "FuzzInput.h"
#include "mcap/McapReader.h"
#include "recording/McapRawSource.h"
#include "recording/RawPacketsMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const McapReader::Mode mode : {McapReader::Mode::Auto, McapReader::Mode::Scan}) {
        McapReader reader;
        if (!reader.Open(std::make_unique<McapMemoryInput>(std::span<const uint8_t>(data, size)), mode))
            continue;
        const uint16_t raw = FindRawChannel(reader);
        McapMessageStream stream = reader.Messages();
        McapMessage message;
        uint64_t lastTime = 0;
        // Every byte of every message is read, so a view past its buffer is caught.
        static volatile uint8_t sum = 0;
        while (stream.Next(message)) {
            FUZZ_CHECK(reader.Channels().count(message.channelId) == 1);
            // A scan takes each chunk's times from its messages, so its order holds whatever the
            // file says; a summary's index may lie about them.
            if (mode == McapReader::Mode::Scan)
                FUZZ_CHECK(message.logTime >= lastTime);
            lastTime = message.logTime;
            for (const uint8_t byte : message.data)
                sum = static_cast<uint8_t>(sum + byte);
            std::span<const uint8_t> packets;
            if (message.channelId == raw && DecodeRawPackets(message.data, packets)) {
                FUZZ_CHECK(packets.data() >= message.data.data() &&
                           packets.data() + packets.size() <= message.data.data() + message.data.size());
                for (const uint8_t byte : packets)
                    sum = static_cast<uint8_t>(sum + byte);
            }
        }
    }
    return 0;
}
