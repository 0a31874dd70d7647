// Recording revolutions into an MCAP file from the command line (record, convert): from a serial
// port until a stop, or from a raw data file to its end.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "recording/McapRawSource.h"
#include "recording/ScanRecorder.h"
#include "tools/RunOptions.h"

struct McapRecordingOptions {
    std::string source;
    std::string output;
    RunOptions run;
    ScanRecorderOptions recorder;
    bool hex = true;     // a data file's format
    int64_t frames = 0;  // from a port: stop after this many revolutions; 0: until a stop signal
};

// The port's revolutions as they come, on the output stage's recording thread, until K
// revolutions, a stop signal, the port's loss or a failed write. The file is complete at the end
// in every case but the failed write, where it holds everything written before.
int RecordPort(const McapRecordingOptions& options, const char* command, std::ostream& err);

// A data file's revolutions, every one of them (none dropped), the file read to its end.
// Its revolutions are stamped as the model's line would have carried them.
int RecordDataFile(McapRecordingOptions options, const char* command, std::ostream& err);

// How a recording read as a command's input ended: EXIT_OK, or EXIT_FAILED after saying what
// damage ended its readable part. A cut recording is said and read up to the cut.
int RecordingEnd(const char* command, const std::string& name, const McapRawSource& recording, std::ostream& err);

// --compression zstd|lz4|none, --topic TOPIC and --frame-id ID.
std::vector<OptionRule> RecorderOptionRules(ScanRecorderOptions& recorder);
