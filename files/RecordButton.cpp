#include "files/RecordButton.h"

#include "acquisition/SharedState.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"

RecordButtonOutcome PressRecordButton(const std::string& buttonText)
{
    const bool floatFormat = Load(g_bFloatFormat) != 0;
    if (Load(g_bPlayback) != 0)
        return {buttonText, Load(g_bRecording) != 0, WriteOneFrameFile()};
    if (buttonText == "RECORD_DATA") {
        if (floatFormat)
            StartValueRecording();
        else
            StartRawRecording();
        return {"RECORD_STOP", true, {}};
    }
    return {"RECORD_DATA", false, floatFormat ? WriteAngDepFile() : WriteRawDataFile()};
}
