// The noise filter: removes stray returns from a frame and straightens small zig-zags, in place.
#pragma once

#include "acquisition/ScanFrame.h"

void FilterFrame(ScanFrame& frame);
