// The termios speed constants for baud rates given as numbers.
#pragma once

#include <termios.h>

// The constant of a standard rate (115200 -> B115200); B0 for anything else.
speed_t BaudRateConstant(int baudRate);
