// Where the reader takes its bytes from: a file, read at offsets, or bytes in memory (the fuzz
// target, tests). Reads outside the input fail; nothing is read ahead.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class McapInput {
public:
    virtual ~McapInput() = default;
    virtual uint64_t Size() const = 0;
    // Exactly `size` bytes from `offset` into `out` (resized), or false.
    [[nodiscard]] virtual bool ReadAt(uint64_t offset, uint64_t size, std::vector<uint8_t>& out) = 0;
};

class McapFileInput : public McapInput {
public:
    ~McapFileInput() override;
    // False with the reason in `error` when the file cannot be opened.
    [[nodiscard]] bool Open(const std::string& path, std::string& error);
    uint64_t Size() const override { return m_size; }
    [[nodiscard]] bool ReadAt(uint64_t offset, uint64_t size, std::vector<uint8_t>& out) override;

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

class McapMemoryInput : public McapInput {
public:
    explicit McapMemoryInput(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    [[nodiscard]] bool ReadAt(uint64_t offset, uint64_t size, std::vector<uint8_t>& out) override;

private:
    std::span<const uint8_t> m_bytes;
};
