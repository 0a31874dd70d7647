// The recording's second channel: the bytes read from the line for each revolution, in order, so
// that a file replays through the parsers exactly as the port delivered it.
//
// Its messages are std_msgs/msg/UInt8MultiArray in CDR, a type every ROS 2 installation has:
// `ros2 bag info` and `play` give every channel the type its schema names and refuse a file
// whose channel has none they can load, and Foxglove decodes a channel through its schema. A
// channel of opaque bytes without a schema would stop both; this one plays as a byte array.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr char RAW_PACKETS_TOPIC[] = "/plotwell/raw_packets";
inline constexpr char RAW_PACKETS_TYPE[] = "std_msgs/msg/UInt8MultiArray";

// The type's definition with its dependencies, as `ros2 bag` stores it in the schema (ros2msg).
const std::string& RawPacketsDefinition();

// `bytes` as the CDR message (little-endian, no dimensions), into `message` (reused).
void EncodeRawPackets(std::span<const uint8_t> bytes, std::vector<uint8_t>& message);

// The data array of a UInt8MultiArray in CDR, whoever wrote it (either byte order, any
// dimensions); false when the message is not one.
[[nodiscard]] bool DecodeRawPackets(std::span<const uint8_t> message, std::span<const uint8_t>& bytes);
