#include "files/Playback.h"

#include "acquisition/SharedState.h"

// Nothing can be loaded yet, so there is never anything to deliver.
int32_t PlaybackReadFrame(uint8_t*, int32_t)
{
    return 0;
}

int32_t PlaybackReadBytes(uint8_t*, int32_t)
{
    return 0;
}
