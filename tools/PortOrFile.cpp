#include "tools/PortOrFile.h"

#include <climits>
#include <cstring>
#include <ostream>

#include "acquisition/PortEnumeration.h"
#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"
#include "recording/McapPlayback.h"
#include "tools/DecodeInput.h"
#include "tools/LinePacedSource.h"
#include "tools/McapRecording.h"
#include "tools/ToolArguments.h"

PortOrFile::PortOrFile() = default;
PortOrFile::~PortOrFile() = default;

int PortOrFile::OpenRecording(const char* command, const std::string& path, RunOptions& run, std::ostream& err)
{
    if (!IsMcapFileName(path) || LookAtPath(path).kind != PathKind::RegularFile)
        return EXIT_OK;
    m_recording = std::make_unique<McapRawSource>();
    std::string reason;
    if (!m_recording->Open(path, reason)) {
        err << "plotwell-tool " << command << ": " << path << ": " << reason << "\n";
        return EXIT_FAILED;
    }
    run.TakeRecorded(m_recording->Run());
    return EXIT_OK;
}

int PortOrFile::Open(const char* command, const std::string& path, const DeviceModel& model, bool hex,
                    CSerialPort& port, std::ostream& err)
{
    const PathLook look = LookAtPath(path);
    std::string reason;
    switch (look.kind) {
    case PathKind::RegularFile:
        if (m_recording) {
            m_paced = std::make_unique<LinePacedSource>(*m_recording, model.nBaudRate);
            port.AttachSource(m_paced.get());
            return EXIT_OK;
        }
        if (!OpenDataInput(m_stream, command, path, err))
            return EXIT_FAILED;
        m_file = std::make_unique<DecodeInput>(*m_stream.rdbuf(), hex, INT32_MAX);
        m_paced = std::make_unique<LinePacedSource>(*m_file, model.nBaudRate);
        port.AttachSource(m_paced.get());
        return EXIT_OK;
    case PathKind::SerialDevice:
        if (port.Open(path, model.nBaudRate, &reason))
            return EXIT_OK;
        err << "plotwell-tool " << command << ": Open Failed\n" << reason << "\n";
        return EXIT_FAILED;
    case PathKind::Missing:
        err << "plotwell-tool " << command << ": " << path << ": " << std::strerror(look.error) << "\n";
        return EXIT_FAILED;
    case PathKind::Other:
        break;
    }
    err << "plotwell-tool " << command << ": " << path << ": not a serial port or a data file\n";
    return EXIT_FAILED;
}

int PortOrFile::Report(const char* command, const std::string& path, std::ostream& err) const
{
    if (m_recording)
        return RecordingEnd(command, path, *m_recording, err);
    return m_file ? m_file->Report(command, path, err) : EXIT_OK;
}
