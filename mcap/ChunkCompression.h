// Compression of a chunk's records, by the names the container gives it: "zstd", "lz4" (the LZ4
// frame format) and "" (none). Contexts and buffers are kept and reused from chunk to chunk.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mcap/McapRecords.h"

struct LZ4F_cctx_s;
struct LZ4F_dctx_s;
struct ZSTD_CCtx_s;
struct ZSTD_DCtx_s;

std::string_view CompressionName(McapCompression compression);

class ChunkCompressor {
public:
    explicit ChunkCompressor(McapCompression compression);
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // The compressed bytes, valid until the next call; empty with `error` set on failure.
    std::span<const uint8_t> Compress(std::span<const uint8_t> records, std::string& error);

private:
    McapCompression m_compression;
    ZSTD_CCtx_s* m_zstd = nullptr;
    LZ4F_cctx_s* m_lz4 = nullptr;
    std::vector<uint8_t> m_output;
};

class ChunkDecompressor {
public:
    ChunkDecompressor();
    ~ChunkDecompressor();
    ChunkDecompressor(const ChunkDecompressor&) = delete;
    ChunkDecompressor& operator=(const ChunkDecompressor&) = delete;

    // Decompresses into `output` exactly `expectedSize` bytes (the chunk's own claim, checked by
    // the caller against its cap). The buffer grows with the bytes that really come out, never
    // to what the claim alone says; more or fewer bytes than claimed is an error.
    bool Decompress(std::string_view compression, std::span<const uint8_t> input, uint64_t expectedSize,
                    std::vector<uint8_t>& output, std::string& error);

private:
    bool Zstd(std::span<const uint8_t> input, uint64_t expectedSize, std::vector<uint8_t>& output, std::string& error);
    bool Lz4(std::span<const uint8_t> input, uint64_t expectedSize, std::vector<uint8_t>& output, std::string& error);

    ZSTD_DCtx_s* m_zstd = nullptr;
    LZ4F_dctx_s* m_lz4 = nullptr;
};
