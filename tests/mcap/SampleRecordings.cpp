// Writes the recordings that readers we did not write check (tests/interop) and that seed the
// reader's fuzz target: one per compression, one cut off in the middle of its third chunk, and
// one stopped before its first message.
//   mcap_sample_recordings DIR
//
// Channel /sweep carries a small ROS 2 message in CDR, with its definition as `ros2 bag` stores
// it (the type, then each type it uses after a line of '='); channel /raw has no schema. Message
// i of /sweep: stamp 1700000000 s + i/10 s, frame "laser", angle_min -pi/2, ranges i/4 + 0..3,
// raw {i, 0x55}. Log time = the stamp; 10 a second, so 10 to a chunk.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mcap/McapWriter.h"

namespace {

const char* const SWEEP_DEFINITION =
    "std_msgs/Header header\n"
    "float32 angle_min\n"
    "float32[] ranges\n"
    "uint8[] raw\n"
    "\n"
    "================================================================================\n"
    "MSG: std_msgs/Header\n"
    "builtin_interfaces/Time stamp\n"
    "string frame_id\n"
    "\n"
    "================================================================================\n"
    "MSG: builtin_interfaces/Time\n"
    "int32 sec\n"
    "uint32 nanosec\n";

constexpr uint64_t SECOND = 1'000'000'000;
constexpr uint32_t FIRST_SECOND = 1'700'000'000;

// Little-endian CDR: a 4-byte encapsulation header, then each field aligned to its size
// counted from the end of that header.
class Cdr {
public:
    Cdr() : m_bytes{0x00, 0x01, 0x00, 0x00} {}
    template <typename T>
    void Put(T value)
    {
        while ((m_bytes.size() - 4) % sizeof(T) != 0)
            m_bytes.push_back(0);
        const auto* raw = reinterpret_cast<const uint8_t*>(&value);
        m_bytes.insert(m_bytes.end(), raw, raw + sizeof(T));
    }
    void String(const std::string& text)
    {
        Put(static_cast<uint32_t>(text.size() + 1));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
    }
    void Bytes(const std::vector<uint8_t>& bytes)
    {
        Put(static_cast<uint32_t>(bytes.size()));
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    const std::vector<uint8_t>& Data() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> Sweep(uint32_t i)
{
    Cdr cdr;
    cdr.Put(static_cast<int32_t>(FIRST_SECOND + i / 10));
    cdr.Put(static_cast<uint32_t>(i % 10 * 100'000'000));
    cdr.String("laser");
    cdr.Put(static_cast<float>(-1.5707963267948966));
    cdr.Put(uint32_t{4});
    for (int k = 0; k < 4; ++k)
        cdr.Put(static_cast<float>(i) / 4 + static_cast<float>(k));
    cdr.Bytes({static_cast<uint8_t>(i), 0x55});
    return cdr.Data();
}

uint64_t SizeOf(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

// Writes 30 messages on each channel, and notes the file's size once the second chunk is
// written and once the third is.
bool WriteRecording(const std::string& path, McapCompression compression, uint64_t* secondChunkEnd, uint64_t* thirdChunkEnd)
{
    McapWriterOptions options;
    options.compression = compression;
    McapWriter writer;
    const std::string definition = SWEEP_DEFINITION;
    if (!writer.Open(path, options))
        return false;
    const uint16_t schema = writer.AddSchema("plotwell_test/msg/Sweep", "ros2msg",
                                             {reinterpret_cast<const uint8_t*>(definition.data()), definition.size()});
    const uint16_t sweep = writer.AddChannel(schema, "/sweep", "cdr", {{"offered_qos_profiles", ""}});
    const uint16_t raw = writer.AddChannel(0, "/raw", "x-plotwell-raw");
    if (!writer.WriteMetadata({"plotwell", {{"model", "TEST"}, {"protocol", "1"}, {"baud_rate", "230400"}}}))
        return false;
    for (uint32_t i = 0; i < 30; ++i) {
        const uint64_t logTime = (FIRST_SECOND + i / 10) * SECOND + i % 10 * 100'000'000;
        const std::vector<uint8_t> sweepBytes = Sweep(i);
        const std::vector<uint8_t> rawBytes(16 + i, static_cast<uint8_t>(0xA0 + i));
        if (!writer.WriteMessage({sweep, i, logTime, logTime, sweepBytes}) || !writer.WriteMessage({raw, i, logTime, logTime, rawBytes}))
            return false;
        if (i == 20)
            *secondChunkEnd = SizeOf(path);
    }
    if (!writer.CloseChunk())
        return false;
    *thirdChunkEnd = SizeOf(path);
    return writer.Close();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mcap_sample_recordings DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    uint64_t secondEnd = 0;
    uint64_t thirdEnd = 0;
    const std::pair<const char*, McapCompression> kinds[] = {
        {"zstd", McapCompression::Zstd}, {"lz4", McapCompression::Lz4}, {"none", McapCompression::None}};
    for (const auto& [name, compression] : kinds) {
        if (!WriteRecording(dir + "/" + name + ".mcap", compression, &secondEnd, &thirdEnd)) {
            std::fprintf(stderr, "cannot write %s/%s.mcap\n", dir.c_str(), name);
            return 1;
        }
    }
    McapWriter empty;
    if (!empty.Open(dir + "/empty.mcap") || empty.AddChannel(0, "/raw", "x-plotwell-raw") != 1 || !empty.Close()) {
        std::fprintf(stderr, "cannot write %s/empty.mcap\n", dir.c_str());
        return 1;
    }
    // The uncompressed recording, cut in the middle of its third chunk.
    std::filesystem::copy_file(dir + "/none.mcap", dir + "/cut.mcap", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(dir + "/cut.mcap", (secondEnd + thirdEnd) / 2);
    std::printf("%s: zstd.mcap lz4.mcap none.mcap empty.mcap cut.mcap (cut at %llu, third chunk %llu..%llu)\n", dir.c_str(),
                static_cast<unsigned long long>((secondEnd + thirdEnd) / 2), static_cast<unsigned long long>(secondEnd),
                static_cast<unsigned long long>(thirdEnd));
    return 0;
}
