#include "McapTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

StoredMessage TestMessage(uint16_t channelId, uint32_t index, uint64_t logTime, size_t size)
{
    StoredMessage message{channelId, index, logTime, logTime + 7, std::vector<uint8_t>(size)};
    for (size_t i = 0; i < size; ++i)
        message.data[i] = static_cast<uint8_t>(index * 31 + i * 7 + channelId);
    return message;
}

void WriteTestRecording(McapWriter& writer, const std::string& path, const McapWriterOptions& options,
                        const std::vector<StoredMessage>& messages, int channels)
{
    ASSERT_TRUE(writer.Open(path, options)) << writer.Error();
    for (int c = 1; c <= channels; ++c) {
        const std::string name = "test_msgs/msg/Kind" + std::to_string(c);
        const std::string text = "uint8[] data # kind " + std::to_string(c);
        const uint16_t schema =
            c == channels ? 0 : writer.AddSchema(name, "ros2msg", {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
        ASSERT_EQ(writer.AddChannel(schema, "/topic" + std::to_string(c), c == channels ? "x-bytes" : "cdr",
                                    {{"index", std::to_string(c)}, {"offered_qos_profiles", ""}}),
                  c);
    }
    ASSERT_TRUE(writer.WriteMetadata({"plotwell", {{"model", "TEST"}, {"baud", "230400"}}}));
    for (const StoredMessage& message : messages)
        ASSERT_TRUE(writer.WriteMessage({message.channelId, message.sequence, message.logTime, message.publishTime, message.data}))
            << writer.Error();
    ASSERT_TRUE(writer.WriteMetadata({"empty", {}}));
}

std::vector<StoredMessage> ReadMessages(const McapReader& reader, std::string* error, const std::vector<uint16_t>& channels)
{
    std::vector<StoredMessage> messages;
    McapMessageStream stream = reader.Messages(channels);
    McapMessage message;
    while (stream.Next(message))
        messages.push_back({message.channelId, message.sequence, message.logTime, message.publishTime,
                            {message.data.begin(), message.data.end()}});
    if (error != nullptr)
        *error = stream.Error();
    else
        EXPECT_EQ(stream.Error(), "");
    return messages;
}

std::vector<StoredMessage> InLogTimeOrder(std::vector<StoredMessage> messages)
{
    std::stable_sort(messages.begin(), messages.end(),
                     [](const StoredMessage& a, const StoredMessage& b) { return a.logTime < b.logTime; });
    return messages;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<TopRecord> TopRecords(const std::vector<uint8_t>& bytes)
{
    std::vector<TopRecord> records;
    uint64_t offset = 8;
    while (offset + 9 <= bytes.size()) {
        const uint64_t length = 9 + ReadLittle(bytes, offset + 1, 8);
        if (length > bytes.size() - offset)
            break;
        records.push_back({bytes[offset], offset, length});
        if (bytes[offset] == 0x02)
            break;
        offset += length;
    }
    return records;
}

uint64_t ReadLittle(const std::vector<uint8_t>& bytes, size_t offset, int size)
{
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes.at(offset + i);
    return value;
}

void WriteLittle(std::vector<uint8_t>& bytes, size_t offset, int size, uint64_t value)
{
    for (int i = 0; i < size; ++i, value >>= 8)
        bytes.at(offset + i) = static_cast<uint8_t>(value);
}
