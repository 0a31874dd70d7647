#include "files/RecordButton.h"

#include "acquisition/SharedState.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"

RecordButtonOutcome PressRecordButton(const std::string& buttonText)
{
    const bool floatFormat = Load(g_bFloatFormat) != 0;
    // A recording that was running when a file was dropped is still stopped and written.
    const bool stopping = buttonText != "RECORD_DATA";
    if (Load(g_bPlayback) != 0 && !(stopping && Load(g_bRecording) != 0))
        return {buttonText, false, WriteOneFrameFile()};
    if (!stopping) {
        if (floatFormat)
            StartValueRecording();
        else
            StartRawRecording();
        return {"RECORD_STOP", true, {}};
    }
    return {"RECORD_DATA", false, floatFormat ? WriteAngDepFile() : WriteRawDataFile()};
}
