// Where a program that the tests start lives: in the build tree, unless the environment names a
// copy. The unprivileged pass runs the test programs from a folder every user can reach, since the
// build tree may lie under a home folder that others cannot enter.
#pragma once

#include <string>

// The value of the environment variable `variable` when it is set and not empty, else `built`
// (the build tree's path, compiled in).
std::string BuiltProgram(const char* variable, const char* built);
