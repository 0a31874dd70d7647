#include "files/RecordButton.h"

#include "acquisition/SharedState.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"

RecordButtonOutcome PressRecordButton(const std::string& buttonText)
{
    const bool floatFormat = Load(g_bFloatFormat) != 0;
    // A recording that was running when a file was dropped, or whose file could not be
    // written yet, is still stopped and written.
    const bool stopping = buttonText != "RECORD_DATA";
    const bool collected = Load(g_bRecording) != 0 || Load(g_nRecordCount) > 0;
    if (Load(g_bPlayback) != 0 && !(stopping && collected))
        return {buttonText, false, WriteOneFrameFile()};
    if (!stopping) {
        if (floatFormat)
            StartValueRecording();
        else
            StartRawRecording();
        return {"RECORD_STOP", true, {}};
    }
    const FileWriteResult written = floatFormat ? WriteAngDepFile() : WriteRawDataFile();
    // Nothing is lost to a full disk or a missing directory: the button stays on RECORD_STOP
    // and the next press writes the same data again.
    if (written.status == FileWriteResult::FAILED)
        return {"RECORD_STOP", true, written};
    return {"RECORD_DATA", false, written};
}
