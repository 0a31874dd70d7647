// What the server says to a client in the foxglove.websocket.v1 protocol: JSON texts for the
// server's description, its channels and status, and the header of a binary message-data frame
// (little-endian, as the protocol fixes it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foxglove/ChannelTable.h"

inline constexpr const char* FOXGLOVE_SUBPROTOCOL = "foxglove.websocket.v1";

enum class StatusLevel { Info = 0, Warning = 1, Error = 2 };

// The server offers no optional capability (no client publishing, parameters, services, time,
// connection graph or assets), so its list is empty and clients send nothing but subscriptions.
std::string ServerInfoText(std::string_view name, std::string_view sessionId);
std::string AdvertiseText(const std::vector<Channel>& channels);
std::string UnadvertiseText(const std::vector<uint32_t>& channelIds);
// A status with an id replaces the client's earlier status of that id. Text that is not valid
// UTF-8 (a client's own words quoted back) is repaired, so the result is always valid JSON.
std::string StatusText(StatusLevel level, std::string_view message, std::string_view id = {});

// Opcode 1, subscription id, receive time in nanoseconds; the payload follows.
inline constexpr size_t MESSAGE_DATA_HEADER_SIZE = 13;
void WriteMessageDataHeader(uint8_t* header, uint32_t subscriptionId, uint64_t timestampNs);
