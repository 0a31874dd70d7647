// A raw data file as bytes: the viewer's hexadecimal dump ("AA 55 00 ..."), or the bytes
// themselves. What decode and publish read.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// The bytes of `path` (of `in` when the path is "-"). EXIT_OK; or, after reporting on `err` as
// "plotwell-tool <command>: ...", EXIT_FAILED when it cannot be read and EXIT_USAGE when a dump
// breaks the format (the message names the first character that does).
int ReadDataFile(const char* command, const std::string& path, std::istream& in, bool hex,
                 std::vector<uint8_t>& bytes, std::ostream& err);
