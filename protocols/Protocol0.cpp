#include "protocols/Protocol0.h"

#include "acquisition/SerialPort.h"

// Not decoded yet: waits like an idle line and completes nothing.
bool ParseProtocol0(CSerialPort& port, ScanFrame&)
{
    port.Pause(10);
    return false;
}

void ResetProtocol0() {}
