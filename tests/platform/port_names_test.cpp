// Serial port names: COMn, the machine's adapters, the ports named in KORVANE_PORTS.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/port_names.h"
#include "support/env_guard.h"

TEST(PortNames, ComNamesAndTheScanOrderBuiltInThenAdaptersThenEnvironment) {
    TempDir dev;
    EnvGuard env;
    env.set("KORVANE_DEV_DIR", dev.path()).set("KORVANE_PORTS", "/tmp/a::/tmp/b:" + dev.path() + "/ttyUSB2");
    EXPECT_EQ(portDevicePath("com12"), dev.file("ttyS11"));
    for (const char* kept : {"COM0", "COM", "COM3x", "/dev/pts/4"}) EXPECT_EQ(portDevicePath(kept), kept);

    for (const char* n : {"ttyS0", "ttyS4", "ttyS60", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0"})
        std::ofstream(dev.file(n)) << "";
    std::filesystem::create_directories(dev.file("serial/by-id"));
    std::filesystem::create_symlink("../../ttyUSB10", dev.file("serial/by-id/usb-Maker_Adapter-if00"));
    EXPECT_EQ(scanPortNames(), (std::vector<std::string>{
                                   "COM1", "COM5", dev.file("ttyACM0"), dev.file("ttyUSB2"),
                                   dev.file("serial/by-id/usb-Maker_Adapter-if00"), "/tmp/a", "/tmp/b"}));
}
