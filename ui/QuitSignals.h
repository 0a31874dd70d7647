// Ctrl+C, kill and the end of the terminal session end the program the way the close box does,
// so that acquisition stops and the port's lock file is removed.
#pragma once

// Installs handlers for SIGINT, SIGTERM and SIGHUP that close the application's windows; a signal
// ignored when the program started stays ignored.
void CloseOnQuitSignals();
