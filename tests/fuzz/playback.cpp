// Fuzz target: loading a dropped raw-data file, then the playback readers, steps and frame
// copies under both frame rules, with the protocol code and point number changing in between.
//
// Script: mode (bit 0: the content is given as bytes and written as a well-formed dump, else
// as the file's text; bits 1-2: protocol code; bit 3: hold), point-number byte, content length
// (two bytes), content, then operations until the input ends or has used its budget.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "acquisition/SharedState.h"
#include "files/HexDump.h"
#include "files/Playback.h"
#include "files/PlaybackIndex.h"
#include "files/PlaybackLoad.h"
#include "files/PlaybackSource.h"
#include "files/PlaybackState.h"

#if defined(__SANITIZE_ADDRESS__)
#define PLAYBACK_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLAYBACK_POISONING 1
#endif
#endif

#ifdef PLAYBACK_POISONING
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace {

constexpr int32_t MAX_ROOM = 10000;  // the largest buffer a parser hands the readers
// Bytes an input may have read and indexed, so that each run stays short: an operation costs
// the bytes it asks for and, while no frame is indexed, an index over the whole data, which the
// readers then build again.
constexpr int64_t WORK_BUDGET = 64 * 1024;

// The loaded data lives in static buffers larger than any file: the part past the loaded bytes
// is poisoned, so a reader that runs beyond the data is caught by the address sanitizer.
void PoisonPastLoadedData()
{
    ASAN_POISON_MEMORY_REGION(g_PlaybackData + g_nPlaybackSize, PLAYBACK_CAPACITY - g_nPlaybackSize);
}

// The loader takes a path: one file in memory, rewritten for every input, keeps the file
// system's cost out of each run.
std::string ContentFile(const std::string& text)
{
    static const int fd = memfd_create("plotwell-fuzz-playback", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()));
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string DumpOf(const uint8_t* bytes, size_t size)
{
    std::string text(3 * size, ' ');
    for (size_t i = 0; i < size; ++i)
        EncodeHexByte(bytes[i], &text[3 * i]);
    return text;
}

void LoadContent(const std::string& text, bool wellFormed, const uint8_t* bytes, size_t size)
{
    ASAN_UNPOISON_MEMORY_REGION(SparePlaybackBuffer(), PLAYBACK_CAPACITY);
    const int result = LoadPlaybackFile(ContentFile(text));
    FUZZ_CHECK(result == PLAYBACK_LOADED || result == PLAYBACK_NOT_DATA);
    if (wellFormed) {
        FUZZ_CHECK(result == PLAYBACK_LOADED);
        FUZZ_CHECK(g_nPlaybackSize == static_cast<int32_t>(size));
        FUZZ_CHECK(size == 0 || std::memcmp(g_PlaybackData, bytes, size) == 0);
    }
    if (result == PLAYBACK_LOADED)
        PoisonPastLoadedData();
}

void CheckPositions()
{
    FUZZ_CHECK(g_nPlaybackReadPos >= 0 && g_nPlaybackReadPos <= g_nPlaybackSize);
    FUZZ_CHECK(g_nPlaybackFrame >= 0 && (g_nPlaybackFrame < g_nPlaybackFrames || g_nPlaybackFrame == 0));
}

// One operation; destination buffers end exactly at `room`, so a reader writing past it is caught.
// Returns its cost (see WORK_BUDGET).
int64_t Operate(FuzzInput& input, std::vector<uint8_t>& buffer)
{
    int64_t cost = 1 + (g_nPlaybackFrames == 0 ? g_nPlaybackSize : 0);
    switch (input.Byte() % 9) {
    case 0: {
        const int32_t room = input.Word() % (MAX_ROOM + 1);
        const int32_t placed = PlaybackReadFrame(buffer.data() + MAX_ROOM - room, room);
        FUZZ_CHECK(placed >= 0 && placed <= room);
        cost += room;
        break;
    }
    case 1:
        // The note line's question, by any protocol's rule, leaves the index alone.
        static_cast<void>(PlaybackHasFrames(input.Byte() & 3, input.Between(20, 200)));
        cost += g_nPlaybackSize;
        break;
    case 2:
        StepPlaybackFrame();
        break;
    case 3:
        Store(g_bFrameDone, 1);
        break;
    case 4:
        Store(g_nProtocol, input.Byte() & 3);
        break;
    case 5:
        Store(g_nPointNum, input.Between(20, 200));
        break;
    case 6: {
        std::vector<uint8_t> frame;
        if (!CopyPlaybackFrame(&frame))
            break;
        // The frame on screen: marker to marker, or at most one run of sector packets.
        FUZZ_CHECK(frame.size() <= static_cast<size_t>(g_nPlaybackSize));
        if (g_playbackMarkerCount == 0)
            FUZZ_CHECK(frame.size() <= size_t{PACKETS_PER_FRAME} * PacketLength(Load(g_nPointNum)));
        cost += static_cast<int64_t>(frame.size());
        break;
    }
    case 7:
        Store(g_bHoldFrame, Load(g_bHoldFrame) == 0);
        break;
    default: {
        // Through the parsers' source, with the room a protocol-1 packet buffer may have free.
        const int32_t room = input.Between(0, 210);
        const int32_t placed = PlaybackSource().Read(buffer.data() + MAX_ROOM - room, room);
        FUZZ_CHECK(placed >= 0 && placed <= room);
        cost += room;
        break;
    }
    }
    CheckPositions();
    return cost;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> buffer(MAX_ROOM);
    ResetSharedState();
    ResetPlaybackState();
    FuzzInput input(data, size);
    const uint8_t mode = input.Byte();
    Store(g_nProtocol, (mode >> 1) & 3);
    Store(g_nPointNum, input.Between(20, 200));
    size_t length = 0;
    const uint8_t* content = input.Bytes(input.Word(), &length);
    const bool wellFormed = (mode & 1) != 0;
    LoadContent(wellFormed ? DumpOf(content, length) : std::string(content, content + length), wellFormed, content, length);
    Store(g_bHoldFrame, (mode & 8) != 0);
    for (int64_t used = 0; !input.Empty() && used < WORK_BUDGET;)
        used += Operate(input, buffer);
    return 0;
}
