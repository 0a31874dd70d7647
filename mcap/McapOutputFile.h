// The file a recording is written into: every write checked and completed (a short write is
// continued, EINTR retried), the first failure kept as the reason, the running CRC and offset
// of what was written, and a check that the file still has a name on disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>

class McapOutputFile {
public:
    McapOutputFile() = default;
    ~McapOutputFile();
    McapOutputFile(const McapOutputFile&) = delete;
    McapOutputFile& operator=(const McapOutputFile&) = delete;

    [[nodiscard]] bool Create(const std::string& path);
    [[nodiscard]] bool Write(std::span<const uint8_t> bytes);
    // False, with the reason, once the file was removed (its folder deleted): what is written
    // after that would be lost when the file is closed.
    [[nodiscard]] bool StillOnDisk();
    // Flushes to the disk and closes; the file stays whatever happened before.
    [[nodiscard]] bool Finish();
    void Abandon();

    bool IsOpen() const { return m_fd >= 0; }
    uint64_t Offset() const { return m_offset; }
    uint32_t Crc() const { return m_crc; }
    void RestartCrc() { m_crc = 0; }
    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& what, int error);

    int m_fd = -1;
    std::string m_path;
    uint64_t m_offset = 0;
    uint32_t m_crc = 0;
    std::string m_error;
};
