// What a press of the RECORD_DATA button does, without the widgets: the dialog passes the
// button's text and shows what comes back.
#pragma once

#include <string>

#include "files/OutputFile.h"

struct RecordButtonOutcome {
    std::string buttonText;  // "RECORD_DATA" or "RECORD_STOP"; unchanged during playback
    bool recording;          // collecting, or holding data not yet written: the float-format box stays disabled
    FileWriteResult file;    // what a stop or a snapshot wrote, or why it failed
};

// During playback: a frame snapshot, unless a recording started before the drop is still
// running, which is then stopped and written. Otherwise "RECORD_DATA" starts a recording in
// the mode of g_bFloatFormat, and any other text stops it and writes its file; a file that
// cannot be written keeps the data and the "RECORD_STOP" text for another try.
RecordButtonOutcome PressRecordButton(const std::string& buttonText);
