#include "files/RecordButton.h"

#include "acquisition/SharedState.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"

RecordButtonOutcome PressRecordButton(RecordState state)
{
    if (state == RecordState::Idle) {
        if (Load(g_bPlayback) != 0)
            return {state, WriteOneFrameFile()};
        if (Load(g_bFloatFormat) != 0)
            StartValueRecording();
        else
            StartRawRecording();
        return {RecordState::Recording, {}};
    }
    const FileWriteResult written = Load(g_bFloatFormat) != 0 ? WriteAngDepFile() : WriteRawDataFile();
    // Nothing is lost to a full disk or a missing directory: the next press writes the same
    // data again.
    if (written.status == FileWriteResult::FAILED)
        return {RecordState::Unwritten, written};
    return {RecordState::Idle, written};
}
