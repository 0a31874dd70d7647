#include "files/RecordFiles.h"

#include <ctime>
#include <vector>

#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/Recording.h"

namespace {

bool WriteAngDepLines(std::FILE* file, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const AngDepRecord& r = g_RecordValues[i];
        if (std::fprintf(file, "%d,%.3f,%d\r\n", r.nIndex, static_cast<double>(r.fAngle), r.nDistance) < 0)
            return false;
    }
    return true;
}

// Stops collecting; the store is emptied once its file is written. When the file cannot be
// written the collected data stays, so that the operator can try again.
FileWriteResult StopAndWrite(const char* prefix, bool (*writeBody)(std::FILE*, int32_t))
{
    const int32_t count = StopRecording();
    if (count == 0)
        return {};
    FileWriteResult result = WriteRecordFile(prefix + RecordTimeStamp(), true,
                                             [&](std::FILE* file) { return writeBody(file, count); });
    if (result.status != FileWriteResult::FAILED)
        ClearRecording();
    return result;
}

}  // namespace

std::string RecordTimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local);
    return text;
}

FileWriteResult WriteRawDataFile()
{
    if (Load(g_bFloatFormat) != 0)
        return {};
    return StopAndWrite("RawData_", [](std::FILE* file, int32_t count) {
        return WriteHexText(file, g_RecordBytes, count);
    });
}

FileWriteResult WriteAngDepFile()
{
    if (Load(g_bFloatFormat) != 1)
        return {};
    return StopAndWrite("AngDepData_", WriteAngDepLines);
}

FileWriteResult WriteOneFrameFile()
{
    std::vector<uint8_t> frame;
    if (!CopyPlaybackFrame(&frame) || frame.empty())
        return {};
    return WriteRecordFile("OneFrameData", false, [&](std::FILE* file) {
        return WriteHexText(file, frame.data(), static_cast<int64_t>(frame.size()));
    });
}
