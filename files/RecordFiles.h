// The files the RECORD_DATA button writes: the raw data file and the angle-depth file at the
// end of a recording, and the frame snapshot during playback.
#pragma once

#include "files/OutputFile.h"

// Stop a raw recording (only while g_bFloatFormat is 0) and write "RawData_<local time>.txt"
// with every collected byte as "%02X ". Nothing collected: no file.
FileWriteResult WriteRawDataFile();

// Stop a value recording (only while g_bFloatFormat is 1) and write "AngDepData_<local time>.txt"
// with one "%d,%.3f,%d\r\n" line per sample. Nothing collected: no file.
FileWriteResult WriteAngDepFile();

// Replace "OneFrameData.txt" with the current playback frame as "%02X " text.
FileWriteResult WriteOneFrameFile();
