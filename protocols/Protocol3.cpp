#include "protocols/Protocol3.h"

#include "acquisition/SerialPort.h"

// Not decoded yet: waits like an idle line and completes nothing.
int32_t ParseProtocol3(CSerialPort& port, ScanFrame&)
{
    port.Pause(10);
    return -1;
}

void ResetProtocol3() {}
