#include "files/Recording.h"

// Nothing can start a recording yet, so there is nothing to collect.
void RecordRawBytes(const uint8_t*, int32_t) {}

void RecordFrame(const ScanFrame&) {}
