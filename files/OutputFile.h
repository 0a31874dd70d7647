// Creating and writing the text files of recordings and snapshots, with a result that tells
// the operator which file was written or why it could not be.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

// One file of a set written under one name: its extension (".png") and what writes its body.
struct RecordFilePart {
    std::string extension;
    std::function<bool(std::FILE*)> writeBody;
};

// Writes `stem` + each part's extension into the record directory, under the first name of
// "stem", "stem_1", ... that is free for every part, so that the files of one set keep one
// name. The set appears whole or not at all. The result names the first part's file.
FileWriteResult WriteRecordFiles(const std::string& stem, const std::vector<RecordFilePart>& parts);

// An empty file `stem` + `extension` in the record directory, under the first name of "stem",
// "stem_1", ... that is free, for a recording written as it arrives: the result names it, or
// says why it could not be made.
FileWriteResult ReserveRecordFile(const std::string& stem, const std::string& extension);

// Every byte as "%02X ".
bool WriteHexText(std::FILE* file, const uint8_t* bytes, int64_t count);
