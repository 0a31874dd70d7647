// The test helpers themselves, where a fault would make other tests pass or harm the machine.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <system_error>

#include "tests/support/ScratchDirectory.h"

namespace {

// Sets an environment variable for one scope.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = getenv(name))
            m_old = old;
        setenv(name, value, 1);
    }
    ~EnvironmentValue()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(TestSupport, AScratchDirectoryThatCannotBeMadeFailsInsteadOfFallingBackToTheRoot)
{
    // Nothing can be made in /proc, not even by root.
    const EnvironmentValue tmpdir("TMPDIR", "/proc");
    EXPECT_THROW(ScratchDirectory(), std::system_error);
}

}  // namespace
