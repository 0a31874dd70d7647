#include "run/RecorderOutput.h"

#include "files/Recording.h"

void RecorderOutput::Take(const RevolutionValue& revolution)
{
    RecordRawBytes(revolution.bytes, revolution.byteCount);
    if (revolution.complete)
        RecordFrame(revolution.parsed);
}
