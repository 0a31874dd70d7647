// Ctrl+C and kill end the program the way the close box does, so that acquisition stops and
// the port's lock file is removed.
#pragma once

// Installs handlers for SIGINT and SIGTERM that close the application's windows.
void CloseOnQuitSignals();
