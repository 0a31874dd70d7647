// Creating and writing the text files of recordings and snapshots, with a result that tells
// the operator which file was written or why it could not be.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

struct FileWriteResult {
    enum Status { WRITTEN, NOTHING_TO_WRITE, FAILED };
    Status status = NOTHING_TO_WRITE;
    std::string path;    // the file written, or the one that could not be written
    std::string reason;  // FAILED: why, in the system's words
};

// Writes `stem` + ".txt" into the record directory. `unique` keeps existing files: "_1",
// "_2", ... is added before ".txt" until the name is free; otherwise an existing file is
// replaced, but never through a symbolic link. The data goes to a hidden partial file first and
// takes the name only when it is whole; after a failure no file is left. `writeBody` returns
// false when a write failed (errno tells why).
FileWriteResult WriteRecordFile(const std::string& stem, bool unique,
                                const std::function<bool(std::FILE*)>& writeBody);

// Every byte as "%02X ".
bool WriteHexText(std::FILE* file, const uint8_t* bytes, int64_t count);
