// What a press of the RECORD_DATA button does, without the widgets: the dialog keeps the
// button's state, passes it in and takes the new state back.
#pragma once

#include "files/OutputFile.h"

enum class RecordState {
    Idle,       // nothing collected
    Recording,  // collecting
    Unwritten,  // stopped, holding data whose file could not be written yet
};

struct RecordButtonOutcome {
    RecordState state;      // after the press; unchanged by a snapshot
    FileWriteResult file;   // what a stop or a snapshot wrote, or why it failed
};

// Idle during playback: a frame snapshot. Otherwise Idle starts a recording in the mode of
// g_bFloatFormat, and Recording or Unwritten (also during playback: a recording that was
// running when a file was dropped) stops it and writes its file; a file that cannot be
// written keeps the data and leaves the state Unwritten for another try.
RecordButtonOutcome PressRecordButton(RecordState state);
