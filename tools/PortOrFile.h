// Where the bytes of publish and serve come from: a serial port, or a raw data file or an MCAP
// recording's raw channel put behind the port as its source and played at the pace of the
// model's line.
#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>

class CSerialPort;
class DecodeInput;
class LinePacedSource;
class McapRawSource;
struct RunOptions;
struct DeviceModel;

class PortOrFile {
public:
    PortOrFile();
    ~PortOrFile();
    PortOrFile(const PortOrFile&) = delete;
    PortOrFile& operator=(const PortOrFile&) = delete;

    // A `path` named *.mcap that is a file is a recording: opens it, and `run` takes the model
    // and protocol it names where the command line named none. EXIT_OK, also for any other path,
    // or the exit status after saying why not. Before Open, which then plays it.
    int OpenRecording(const char* command, const std::string& path, RunOptions& run, std::ostream& err);

    // Opens `path` on `port` at `model`'s baud rate, or plays it (`hex`: a hexadecimal dump).
    // EXIT_OK, or the exit status after saying why not as "plotwell-tool <command>: ...". The
    // port must detach the source before this object goes.
    int Open(const char* command, const std::string& path, const DeviceModel& model, bool hex, CSerialPort& port,
             std::ostream& err);

    bool IsFile() const { return m_file != nullptr || m_recording != nullptr; }
    // After the run: how the file ended (DecodeInput::Report, RecordingEnd); EXIT_OK for a port.
    int Report(const char* command, const std::string& path, std::ostream& err) const;

private:
    std::ifstream m_stream;
    std::unique_ptr<DecodeInput> m_file;
    std::unique_ptr<McapRawSource> m_recording;
    std::unique_ptr<LinePacedSource> m_paced;
};
