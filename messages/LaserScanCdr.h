// A LaserScan as the bytes of one serialized ROS 2 message: the 4-byte encapsulation header, then
// the body in classic CDR (XCDR1), every value aligned to its size counted from the end of that
// header. What a ROS 2 DDS writer sends, what a ROS 2 MCAP recording stores as "cdr", and what
// the Foxglove WebSocket protocol carries for a "cdr" channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "messages/LaserScan.h"

// Writes `scan` little-endian (encapsulation CDR_LE, 00 01 00 00) into `out`, resized to the
// message's size; allocates nothing once `out` has held a message of that size.
void EncodeLaserScanCdr(const LaserScan& scan, std::vector<uint8_t>& out);

// Reads one serialized LaserScan of either byte order (classic CDR, or XCDR2, whose body is the
// same for this type). False, with `reason` set, for bytes that are not one: a short or unknown
// header, a length that runs past the end, a string without its terminating zero. Counts are
// checked against the bytes present before anything is allocated, so no input makes `scan` grow
// beyond the size of the input. Bytes after the message (padding) are ignored.
[[nodiscard]] bool DecodeLaserScanCdr(const uint8_t* bytes, size_t size, LaserScan& scan, std::string& reason);
