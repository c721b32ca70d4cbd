// The gpsim driver against a small hand-assembled 16F84 program.
#include <gtest/gtest.h>

#include "common/test_env.h"
#include "gpsim/lib/gpsim_process.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace korvane::gpsim {
namespace {

// bsf STATUS,RP0; clrf TRISB; bcf STATUS,RP0; movlw 5; movwf PORTB; movwf 0x0C; call 8;
// goto $; retlw 0x77
const std::vector<std::uint16_t> kProgram = {0x1683, 0x0186, 0x1283, 0x3005, 0x0086,
                                             0x008C, 0x2008, 0x2807, 0x3477};
constexpr HexWord kConfigNoWatchdog{0x400E, 0x3FFB};

TEST(GpsimProcess, StepsAProgramAndReadsItsState) {
    test::TempDir dir;
    write_program_hex(dir.path() / "p.hex", kProgram, {kConfigNoWatchdog});
    GpsimProcess sim("p16f84", dir.path() / "p.hex");
    EXPECT_EQ(sim.program_word(6), 0x2008);
    sim.step(8);                    // cycles: six instructions, then CALL takes two
    EXPECT_EQ(sim.value("pc"), 8u);
    EXPECT_EQ(sim.cycles(), 8u);
    sim.step(1);
    EXPECT_EQ(sim.value("pc"), 7u);
    EXPECT_EQ(sim.value("W"), 0x77u);
    EXPECT_EQ(sim.cycles(), 10u);
    EXPECT_EQ(sim.ram(0x0C), 5);
    const auto regs = sim.ram_dump();
    ASSERT_GT(regs.size(), 0x8Cu);
    EXPECT_EQ(regs[0x8C], 5);      // the bank 1 mirror
    EXPECT_EQ(regs[0x07], -1);     // no register there
    EXPECT_EQ(sim.pin("portb0"), 1);
    EXPECT_EQ(sim.pin("portb1"), 0);

    sim.set("W", 0x42);
    sim.set_program_word(7, 0x3E01);   // addlw 1
    sim.step(1);
    EXPECT_EQ(sim.value("W"), 0x43u);
    sim.reset();
    EXPECT_EQ(sim.value("pc"), 0u);
}

TEST(GpsimProcess, FailuresCarryTheReason) {
    test::TempDir dir;
    write_program_hex(dir.path() / "p.hex", kProgram);
    GpsimProcess sim("p16f84", dir.path() / "p.hex");
    EXPECT_THROW(sim.command("no_such_symbol_here"), GpsimError);
    EXPECT_EQ(sim.value("pc"), 0u);   // still answering after a rejected command

    try {
        GpsimProcess none("p16f84", dir.path() / "p.hex", "gpsim-not-installed");
        FAIL() << "started a missing executable";
    } catch (const GpsimError& e) {
        EXPECT_NE(std::string(e.what()).find("not installed"), std::string::npos) << e.what();
    }
    EXPECT_THROW(GpsimProcess("p16f999", dir.path() / "p.hex"), GpsimError);

    // A run that never reaches a break point (no watchdog either): the time-out ends gpsim,
    // not just the wait.
    write_program_hex(dir.path() / "loop.hex", kProgram, {kConfigNoWatchdog});
    GpsimProcess looping("p16f84", dir.path() / "loop.hex");
    looping.set_timeout_ms(300);
    EXPECT_THROW(looping.run_then(), GpsimError);
    EXPECT_FALSE(looping.running());
    EXPECT_THROW(looping.value("pc"), GpsimError);
}

// The gpsim processes whose parent is `parent` that have not ended (zombies count as ended).
std::vector<pid_t> live_children(pid_t parent) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // pid (comm) state ppid ...
        const auto close = line.rfind(')');
        if (close == std::string::npos || line.find("(gpsim)") == std::string::npos) continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid) != 2) continue;
        if (ppid == parent && state != 'Z') found.push_back(pid_t(std::stol(line)));
    }
    return found;
}

TEST(GpsimProcess, DiesWithATestKilledInTheMiddleOfARun) {
    test::TempDir dir;
    write_program_hex(dir.path() / "loop.hex", kProgram, {kConfigNoWatchdog});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        GpsimProcess looping("p16f84", dir.path() / "loop.hex");
        try {
            looping.run_then();   // never halts; the parent kills this process meanwhile
        } catch (...) {
        }
        ::_exit(0);
    }
    // Wait for gpsim to start, then kill the test process under it.
    std::vector<pid_t> gpsim;
    for (int i = 0; i < 400 && gpsim.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        gpsim = live_children(child);
    }
    ASSERT_EQ(gpsim.size(), 1u) << "gpsim did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        std::ifstream stat("/proc/" + std::to_string(gpsim[0]) + "/stat");
        std::string line;
        ended = !std::getline(stat, line) || line.find(") Z") != std::string::npos;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) ::kill(gpsim[0], SIGKILL);
    EXPECT_TRUE(ended) << "gpsim " << gpsim[0] << " outlived the test that started it";
}

} // namespace
} // namespace korvane::gpsim
