#include "mcap/ChunkCompression.h"

#include <lz4frame.h>
#include <zstd.h>

#include <algorithm>

namespace {

// zstd's own default, a good trade of speed for size at scan rates.
constexpr int ZSTD_LEVEL = 3;

// Room for the next piece of output: at least 64 KiB more, doubling, never past `limit`.
void GrowOutput(std::vector<uint8_t>& output, size_t produced, uint64_t limit)
{
    const uint64_t wanted = std::max<uint64_t>(produced * 2, produced + 65536);
    output.resize(static_cast<size_t>(std::min(wanted, limit)));
}

// A decoder that neither takes input nor gives output: its output is full, or its input ended
// inside a frame.
bool Stuck(const char* name, bool outputFull, std::string& error)
{
    error = std::string(name) + (outputFull ? " chunk holds more than its stated size" : " chunk ends early");
    return false;
}

bool Finished(const char* name, size_t produced, uint64_t expectedSize, std::vector<uint8_t>& output, std::string& error)
{
    if (produced != expectedSize) {
        error = std::string(name) + " chunk holds less than its stated size";
        return false;
    }
    output.resize(produced);
    return true;
}

}  // namespace

std::string_view CompressionName(McapCompression compression)
{
    switch (compression) {
    case McapCompression::Zstd:
        return "zstd";
    case McapCompression::Lz4:
        return "lz4";
    case McapCompression::None:
        break;
    }
    return "";
}

ChunkCompressor::ChunkCompressor(McapCompression compression) : m_compression(compression)
{
    if (compression == McapCompression::Zstd) {
        m_zstd = ZSTD_createCCtx();
        ZSTD_CCtx_setParameter(m_zstd, ZSTD_c_compressionLevel, ZSTD_LEVEL);
    } else if (compression == McapCompression::Lz4) {
        LZ4F_createCompressionContext(&m_lz4, LZ4F_VERSION);
    }
}

ChunkCompressor::~ChunkCompressor()
{
    ZSTD_freeCCtx(m_zstd);
    LZ4F_freeCompressionContext(m_lz4);
}

std::span<const uint8_t> ChunkCompressor::Compress(std::span<const uint8_t> records, std::string& error)
{
    if (m_compression == McapCompression::None)
        return records;
    if (m_compression == McapCompression::Zstd) {
        const size_t bound = ZSTD_compressBound(records.size());
        if (m_output.size() < bound)
            m_output.resize(bound);
        const size_t written = ZSTD_compress2(m_zstd, m_output.data(), m_output.size(), records.data(), records.size());
        if (ZSTD_isError(written)) {
            error = std::string("zstd compression failed: ") + ZSTD_getErrorName(written);
            return {};
        }
        return {m_output.data(), written};
    }
    LZ4F_preferences_t preferences{};
    preferences.frameInfo.contentSize = records.size();
    const size_t bound = LZ4F_HEADER_SIZE_MAX + LZ4F_compressBound(records.size(), &preferences);
    if (m_output.size() < bound)
        m_output.resize(bound);
    // Frame header, the blocks, the end mark; each step's answer is a size or an error code.
    size_t written = LZ4F_compressBegin(m_lz4, m_output.data(), m_output.size(), &preferences);
    const auto then = [&written](size_t more) { written = LZ4F_isError(more) ? more : written + more; };
    if (!LZ4F_isError(written))
        then(LZ4F_compressUpdate(m_lz4, m_output.data() + written, m_output.size() - written, records.data(),
                                 records.size(), nullptr));
    if (!LZ4F_isError(written))
        then(LZ4F_compressEnd(m_lz4, m_output.data() + written, m_output.size() - written, nullptr));
    if (LZ4F_isError(written)) {
        error = std::string("lz4 compression failed: ") + LZ4F_getErrorName(written);
        return {};
    }
    return {m_output.data(), written};
}

ChunkDecompressor::ChunkDecompressor() : m_zstd(ZSTD_createDCtx())
{
    LZ4F_createDecompressionContext(&m_lz4, LZ4F_VERSION);
}

ChunkDecompressor::~ChunkDecompressor()
{
    ZSTD_freeDCtx(m_zstd);
    LZ4F_freeDecompressionContext(m_lz4);
}

bool ChunkDecompressor::Decompress(std::string_view compression, std::span<const uint8_t> input, uint64_t expectedSize,
                                   std::vector<uint8_t>& output, std::string& error)
{
    if (compression.empty()) {
        if (input.size() != expectedSize) {
            error = "an uncompressed chunk's size differs from its records";
            return false;
        }
        output.assign(input.begin(), input.end());
        return true;
    }
    if (compression == "zstd")
        return Zstd(input, expectedSize, output, error);
    if (compression == "lz4")
        return Lz4(input, expectedSize, output, error);
    error = "unknown chunk compression '" + std::string(compression) + "'";
    return false;
}

bool ChunkDecompressor::Zstd(std::span<const uint8_t> input, uint64_t expectedSize, std::vector<uint8_t>& output,
                             std::string& error)
{
    ZSTD_DCtx_reset(m_zstd, ZSTD_reset_session_only);
    ZSTD_inBuffer in{input.data(), input.size(), 0};
    output.clear();
    size_t produced = 0;
    size_t pending = 1;  // the last call's answer: 0 once a frame is complete
    while (in.pos < in.size || pending != 0) {
        if (produced == output.size() && produced < expectedSize)
            GrowOutput(output, produced, expectedSize);
        ZSTD_outBuffer out{output.data(), output.size(), produced};
        const size_t before = in.pos;
        pending = ZSTD_decompressStream(m_zstd, &out, &in);
        if (ZSTD_isError(pending)) {
            error = std::string("zstd chunk is damaged: ") + ZSTD_getErrorName(pending);
            return false;
        }
        if (in.pos == before && out.pos == produced)
            return Stuck("zstd", produced == expectedSize, error);
        produced = out.pos;
    }
    return Finished("zstd", produced, expectedSize, output, error);
}

bool ChunkDecompressor::Lz4(std::span<const uint8_t> input, uint64_t expectedSize, std::vector<uint8_t>& output,
                            std::string& error)
{
    LZ4F_resetDecompressionContext(m_lz4);
    output.clear();
    size_t consumed = 0;
    size_t produced = 0;
    size_t pending = 1;  // the last call's hint: 0 once a frame is complete
    while (consumed < input.size() || pending != 0) {
        if (produced == output.size() && produced < expectedSize)
            GrowOutput(output, produced, expectedSize);
        size_t outSize = output.size() - produced;
        size_t inSize = input.size() - consumed;
        pending = LZ4F_decompress(m_lz4, output.data() + produced, &outSize, input.data() + consumed, &inSize, nullptr);
        if (LZ4F_isError(pending)) {
            error = std::string("lz4 chunk is damaged: ") + LZ4F_getErrorName(pending);
            return false;
        }
        if (inSize == 0 && outSize == 0)
            return Stuck("lz4", produced == expectedSize, error);
        consumed += inSize;
        produced += outSize;
    }
    return Finished("lz4", produced, expectedSize, output, error);
}
