// What an operator who may not open a device is told: join its group only where that helps.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "acquisition/PortAccess.h"
#include "acquisition/SerialPort.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"

namespace {

TEST(PortAccess, GroupAdviceOnlyWhereTheGroupMayReadAndWriteAndIsNotRoot)
{
    const struct {
        const char* name;
        DeviceOwnership ownership;
        bool joinGroup;
        const char* shown;  // in the advice
    } cases[] = {
        {"usual adapter", {"root", "dialout", 20, 0660}, true, "sudo usermod -aG dialout $USER"},
        {"owner only", {"root", "root", 0, 0600}, false, "(root:root 0600)"},
        {"root's group may write", {"root", "root", 0, 0660}, false, "(root:root 0660)"},
        {"group may only read", {"root", "dialout", 20, 0640}, false, "(root:dialout 0640)"},
        {"terminal of another user", {"alice", "tty", 5, 0620}, false, "(alice:tty 0620)"},
        {"no access at all", {"nobody", "tty", 5, 0}, false, "(nobody:tty 0000)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string advice = PermissionAdvice("/dev/ttyUSB0", c.ownership);
        EXPECT_EQ(advice.rfind("Permission denied on /dev/ttyUSB0", 0), 0u) << advice;
        EXPECT_NE(advice.find(c.shown), std::string::npos) << advice;
        EXPECT_EQ(advice.find("usermod") != std::string::npos, c.joinGroup) << advice;
        EXPECT_EQ(advice.find("udev rule") != std::string::npos, !c.joinGroup) << advice;
        EXPECT_NE(advice.find("'man plotwell', SERIAL PORTS"), std::string::npos) << advice;
    }
}

// Root may open anything; the unprivileged test run covers this.
TEST(PortAccess, ARefusedOpenAndThePortListSayWhoOwnsTheDevice)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root is never refused";
    PseudoTerminal pty;
    ScratchDirectory scratch;
    ASSERT_TRUE(pty.IsValid());
    ASSERT_EQ(chmod(pty.DevicePath().c_str(), 0), 0);
    DeviceOwnership ownership;
    ASSERT_TRUE(ReadOwnership(pty.DevicePath(), ownership));

    CSerialPort port;
    port.systemPaths.lockDirs = {scratch.Path()};
    std::string reason;
    EXPECT_FALSE(port.Open(pty.DevicePath(), 115200, &reason));
    EXPECT_EQ(reason, PermissionAdvice(pty.DevicePath(), ownership));
    EXPECT_EQ(AccessProblem(pty.DevicePath()), ownership.owner + ":" + ownership.group + " 0000");
}

}  // namespace
