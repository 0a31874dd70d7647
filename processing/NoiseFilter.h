// The noise filter: removes stray returns from a frame and straightens small zig-zags, in place.
#pragma once

#include "acquisition/ScanFrame.h"

// `filterFactor` scales the break threshold: larger keeps more. Frames of fewer than four
// samples are left as they are. One call at a time (static scratch).
void FilterFrame(ScanFrame& frame, float filterFactor);
