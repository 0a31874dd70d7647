// The port list from a fake sysfs tree, lock directory and /proc.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "acquisition/PortEnumeration.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"

namespace {

std::vector<std::string> Names(const std::vector<PortEntry>& list)
{
    std::vector<std::string> out;
    for (const PortEntry& entry : list)
        out.push_back(entry.displayName);
    return out;
}

TEST(PortEnumeration, ListsRealSerialDevicesInNaturalOrderAndTellsBusyFromFree)
{
    ScratchDirectory tree;
    PseudoTerminal simulator;
    ASSERT_TRUE(simulator.IsValid());

    const struct {
        const char* name;
        const char* type;  // the serial core's port type file; nullptr when the driver has none
        bool hasDevice;
    } ttys[] = {
        {"tty1", nullptr, false},    // virtual console: no device behind it
        {"ttyS0", "0", true},        // on-board slot without a UART
        {"ttyS1", "4", true},
        {"ttyUSB10", nullptr, true},
        {"ttyUSB2", nullptr, true},
        {"ttyUSB0", nullptr, true},
        {"ttyACM0", nullptr, true},
    };
    for (const auto& tty : ttys) {
        const std::string dir = std::string("sys/class/tty/") + tty.name;
        tree.MakeFolder(dir);
        if (tty.hasDevice)
            tree.MakeFolder(dir + "/device");
        if (tty.type != nullptr)
            tree.WriteFile(dir + "/type", std::string(tty.type) + "\n");
    }
    tree.MakeLink("by-id/usb-Maker_Scanner_0042-if00-port0", "../../ttyUSB0");

    const int otherProgram = 4242;
    const int goneProgram = 4243;
    const int descriptorHolder = 5151;
    tree.MakeFolder("proc/" + std::to_string(otherProgram));
    tree.WriteFile("lock/LCK..ttyUSB2", "      4242\n");
    tree.WriteFile("lock/LCK..ttyACM0", "      " + std::to_string(goneProgram) + "\n");  // stale
    tree.MakeLink("proc/" + std::to_string(descriptorHolder) + "/fd/7", "/dev/ttyUSB10");
    tree.MakeLink("proc/" + std::to_string(getpid()) + "/fd/3", "/dev/ttyS1");  // our own: not "another program"

    PortScanRoots roots;
    roots.sysClassTty = tree / "sys/class/tty";
    roots.serialById = tree / "by-id";
    roots.lockDirs = {tree / "lock"};
    roots.proc = tree / "proc";
    roots.extraPaths = {simulator.DevicePath(), "/dev/ttyS1", tree / "typed-but-absent"};

    std::vector<PortEntry> all, free, busy;
    EnumeratePorts(all, free, busy, roots);

    const std::string byId = tree / "by-id/usb-Maker_Scanner_0042-if00-port0";
    EXPECT_EQ(Names(all), (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", byId, "/dev/ttyUSB2",
                                                    "/dev/ttyUSB10", simulator.DevicePath()}));
    EXPECT_EQ(Names(free), (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", byId, simulator.DevicePath()}));
    EXPECT_EQ(Names(busy), (std::vector<std::string>{"/dev/ttyUSB2", "/dev/ttyUSB10"}));
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[2].path, "/dev/ttyUSB0") << "the stable name is shown, the device is opened";

    EXPECT_FALSE(all[0].othersUnseen);

    // Lists are refilled, not appended to. A process whose descriptors cannot be listed (another
    // user's; a file stands in for its fd folder, since root may list any) makes every free port
    // free only as far as this user can see.
    tree.WriteFile("proc/6161/fd", "");
    EnumeratePorts(all, free, busy, roots);
    EXPECT_EQ(all.size(), 6u);
    for (const PortEntry& entry : all)
        EXPECT_TRUE(entry.othersUnseen) << entry.path;
}

// A path given by hand belongs to the tty class when the class has an entry of its name with its
// device number; /dev/null (1:3) stands in for such a device here.
TEST(PortEnumeration, GivenDeviceIsSerialWhenTheTtyClassListsItsNumber)
{
    ScratchDirectory tree;
    tree.WriteFile("listed/null/dev", "1:3\n");
    tree.WriteFile("slot/null/dev", "1:3\n");
    tree.WriteFile("slot/null/type", "0\n");
    tree.WriteFile("other-number/null/dev", "1:5\n");
    tree.MakeFolder("empty");
    const struct {
        const char* sysClassTty;
        PathKind kind;
        int error;
    } cases[] = {
        {"listed", PathKind::SerialDevice, 0},
        {"slot", PathKind::Missing, ENODEV},  // an on-board slot without a UART
        {"other-number", PathKind::Other, 0},
        {"empty", PathKind::Other, 0},
        {"absent", PathKind::SerialDevice, 0},  // no sysfs to ask: opening it will tell
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sysClassTty);
        const PathLook look = LookAtPath("/dev/null", tree / c.sysClassTty);
        EXPECT_EQ(look.kind, c.kind);
        EXPECT_EQ(look.error, c.error);
    }
}

}  // namespace
