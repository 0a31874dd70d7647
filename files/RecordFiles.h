// The files the RECORD_DATA button writes: the raw data file and the angle-depth file at the
// end of a recording, and the frame snapshot during playback.
#pragma once

#include <string>

#include "files/OutputFile.h"

// Local time as the names of recordings carry it ("20261209_142445"); two files of one prefix
// within a second get "_1", "_2", ... from the writer.
std::string RecordTimeStamp();

// Stop a raw recording (only while g_bFloatFormat is 0) and write "RawData_<local time>.txt"
// with every collected byte as "%02X ". Nothing collected: no file.
FileWriteResult WriteRawDataFile();

// Stop a value recording (only while g_bFloatFormat is 1) and write "AngDepData_<local time>.txt"
// with one "%d,%.3f,%d\r\n" line per sample. Nothing collected: no file.
FileWriteResult WriteAngDepFile();

// Replace "OneFrameData.txt" with the current playback frame as "%02X " text.
FileWriteResult WriteOneFrameFile();
