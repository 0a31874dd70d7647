// The noise filter: removes stray returns from a frame and straightens small zig-zags, in place.
#pragma once

#include "acquisition/ScanFrame.h"

// Frames of fewer than four samples are left as they are. Receive thread only (static scratch).
void FilterFrame(ScanFrame& frame);
