#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "hardware/posix/linux_port_io.h"

namespace korvane::posix {
namespace {

using ::testing::ElementsAre;

struct FakeInstructions {
    std::vector<std::string> calls;
    int refuse_from = -1;   // ioperm of this base fails
    int refuse_errno = EPERM;

    PortInstructions ops() {
        PortInstructions o;
        o.ioperm = [this](unsigned long from, unsigned long count, int on) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "ioperm %lX %lu %d", from, count, on);
            calls.push_back(buf);
            if (on && long(from) == refuse_from) {
                errno = refuse_errno;
                return -1;
            }
            return 0;
        };
        o.inb = [this](std::uint16_t p) {
            calls.push_back("inb " + std::to_string(p));
            return std::uint8_t(0x5A);
        };
        o.outb = [this](std::uint16_t p, std::uint8_t v) {
            calls.push_back("outb " + std::to_string(p) + " " + std::to_string(v));
        };
        o.inw = [](std::uint16_t) { return std::uint16_t(0); };
        o.outw = [](std::uint16_t, std::uint16_t) {};
        return o;
    }
};

TEST(LinuxPortIO, GrantsTheUartBlocksAndTimerPorts) {
    FakeInstructions fake;
    LinuxPortIO io(fake.ops());
    EXPECT_FALSE(io.driver_ready());
    EXPECT_TRUE(fake.calls.empty()) << "nothing is asked before start-up enables it";
    io.enable_direct(true);
    EXPECT_TRUE(io.driver_ready());
    EXPECT_TRUE(io.direct());
    EXPECT_THAT(fake.calls, ElementsAre("ioperm 3F8 8 1", "ioperm 2F8 8 1", "ioperm 3E8 8 1", "ioperm 2E8 8 1",
                                        "ioperm 42 2 1", "ioperm 61 1 1"));
    fake.calls.clear();
    EXPECT_EQ(io.read_byte(0x3FE), 0x5A);
    io.write_byte(0x43, 0x90);
    io.write_byte(0x378, 1);   // the printer port was never granted
    EXPECT_EQ(io.read_byte(0x80), 0xFF);
    EXPECT_THAT(fake.calls, ElementsAre("inb 1022", "outb 67 144"));
    fake.calls.clear();
    io.enable_direct(false);
    EXPECT_FALSE(io.driver_ready());
    EXPECT_EQ(fake.calls.size(), 6u);
    EXPECT_EQ(fake.calls[0], "ioperm 3F8 8 0");
}

TEST(LinuxPortIO, RefusalLeavesItNotReadyWithTheSystemText) {
    FakeInstructions fake;
    fake.refuse_from = 0x42;
    LinuxPortIO io(fake.ops());
    io.enable_direct(true);
    EXPECT_FALSE(io.driver_ready());
    EXPECT_EQ(io.last_error(), std::strerror(EPERM));
    fake.calls.clear();
    io.write_byte(0x3FC, 3);
    EXPECT_EQ(io.read_byte(0x3FE), 0xFF);
    EXPECT_TRUE(fake.calls.empty()) << "no port instruction without permission";
}

} // namespace
} // namespace korvane::posix
