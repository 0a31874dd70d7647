// Where the bytes of publish and serve come from: a serial port, or a raw data file put behind
// the port as its source and played at the pace of the model's line.
#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>

class CSerialPort;
class DecodeInput;
class LinePacedSource;
struct DeviceModel;

class PortOrFile {
public:
    PortOrFile();
    ~PortOrFile();
    PortOrFile(const PortOrFile&) = delete;
    PortOrFile& operator=(const PortOrFile&) = delete;

    // Opens `path` on `port` at `model`'s baud rate, or plays it (`hex`: a hexadecimal dump).
    // EXIT_OK, or the exit status after saying why not as "plotwell-tool <command>: ...". The
    // port must detach the source before this object goes.
    int Open(const char* command, const std::string& path, const DeviceModel& model, bool hex, CSerialPort& port,
             std::ostream& err);

    bool IsFile() const { return m_file != nullptr; }
    // After the run: how the file ended (DecodeInput::Report); EXIT_OK for a port.
    int Report(const char* command, const std::string& path, std::ostream& err) const;

private:
    std::ifstream m_stream;
    std::unique_ptr<DecodeInput> m_file;
    std::unique_ptr<LinePacedSource> m_paced;
};
