#include "tests/support/BuiltProgram.h"

#include <cstdlib>

std::string BuiltProgram(const char* variable, const char* built)
{
    const char* copy = std::getenv(variable);
    return copy != nullptr && *copy != '\0' ? copy : built;
}
