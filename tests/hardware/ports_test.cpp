#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "common/test_env.h"
#include "fakes.h"
#include "hardware/ports.h"

namespace korvane::test {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

TEST(PortList, WindowsStyleNames) {
    std::vector<std::string> twelve;
    for (int n = 1; n <= 12; ++n) twelve.push_back("COM" + std::to_string(n));
    const struct {
        std::vector<std::string> found;
        std::vector<std::string> names;
        int count;   // every name beginning with "COM"
    } cases[] = {
        {{"COM3:", "COM1:"}, {"COM1", "COM3"}, 2},
        {{"COM12", "COM10", "COM2"}, {"COM2"}, 3},
        {{"COM", "COM 5", "LPT1", "COMx", "com4", "COM99999999999"}, {"COM5"}, 4},
        {twelve, {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"}, 12},
    };
    for (const auto& c : cases) {
        const PortList list = build_port_list(c.found);
        EXPECT_EQ(list.names, c.names) << c.count;
        EXPECT_EQ(list.count, c.count);
    }
}

// A fake /dev and /sys/class/tty.
class FakeTree : public ::testing::Test {
protected:
    FakeTree() {
        fs::create_directories(dev());
        fs::create_directories(sys());
    }
    fs::path dev() const { return tmp.path() / "dev"; }
    fs::path sys() const { return tmp.path() / "sys"; }
    void device(const std::string& name) { write_file(dev() / name, ""); }
    void uart_type(const std::string& name, const std::string& type) {
        fs::create_directories(sys() / name);
        write_file(sys() / name / "type", type);
    }
    PortResolver resolver() {
        return PortResolver(PortRoots{dev().string(), sys().string()},
                            [this](const std::string& k) { return env.count(k) ? env.at(k) : std::string(); },
                            [this](const std::string& path) {
                                probed.push_back(fs::path(path).filename().string());
                                return path.find("ttyS2") != std::string::npos;
                            });
    }
    TempDir tmp;
    std::map<std::string, std::string> env;
    std::vector<std::string> probed;
};

TEST_F(FakeTree, NamesFollowTheKernelsUartsThenUsbAndAcmDevices) {
    for (const char* n : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS4", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0",
                          "ttyUSBx"})
        device(n);
    uart_type("ttyS0", "4\n");
    uart_type("ttyS1", "0\n");   // PORT_UNKNOWN: no UART behind it
    uart_type("ttyS3", "0\n");
    uart_type("ttyS4", "4\n");   // beyond COM4
    auto entries = resolver().enumerate();
    std::vector<std::string> labels;
    for (const auto& e : entries) labels.push_back(e.label());
    EXPECT_THAT(labels, ElementsAre("COM1  ttyS0", "COM3  ttyS2", "COM5  ttyUSB2", "COM6  ttyUSB10",
                                    "COM7  ttyACM0", "SIM"));
    EXPECT_THAT(probed, ElementsAre("ttyS2"));   // sysfs did not say
    EXPECT_EQ(entries[2].device, (dev() / "ttyUSB2").string());
}

TEST_F(FakeTree, AtMostFiveUsbPorts) {
    for (int n = 0; n < 4; ++n) device("ttyUSB" + std::to_string(n));
    for (int n = 0; n < 3; ++n) device("ttyACM" + std::to_string(n));
    PortList list = resolver().port_list();
    EXPECT_THAT(list.names, ElementsAre("COM5", "COM6", "COM7", "COM8", "COM9", "SIM"));
    EXPECT_EQ(list.labels[4], "COM9  ttyACM0");
    EXPECT_EQ(list.count, 6);
}

TEST_F(FakeTree, EnvironmentOverridesNameAnyDeviceOrTheSimulator) {
    device("ttyS0");
    uart_type("ttyS0", "4");
    device("ttyUSB0");
    env["KORVANE_COM1"] = "SIM";
    env["KORVANE_COM2"] = "/dev/pts/7";
    env["KORVANE_COM6"] = "nonsense";   // neither SIM nor a path: ignored
    env["KORVANE_COM10"] = "/dev/ttyX";  // not a storable name
    PortResolver r = resolver();
    PortList list = r.port_list();
    EXPECT_THAT(list.labels, ElementsAre("COM1  SIM", "COM2  pts/7", "COM5  ttyUSB0", "SIM"));
    EXPECT_EQ(list.count, 4);
    EXPECT_EQ(r.device_for("COM1"), "SIM");
    EXPECT_EQ(r.device_for("COM2"), "/dev/pts/7");
    EXPECT_EQ(r.device_for("COM6"), "");
    EXPECT_EQ(r.device_for("SIM"), "SIM");
    EXPECT_TRUE(r.resolve("COM1").simulated);
    EXPECT_TRUE(r.resolve("SIM").simulated);
    Endpoint real = r.resolve("COM5");
    EXPECT_FALSE(real.simulated);
    EXPECT_EQ(real.device, (dev() / "ttyUSB0").string());
}

TEST_F(FakeTree, TheReaderResolvesLikeTheProgrammerExceptOnTheSimulator) {
    device("ttyUSB0");
    env["KORVANE_COM1"] = "SIM";
    env["KORVANE_COM2"] = "SIM";
    PortResolver r = resolver();
    const Endpoint programmer = r.resolve("COM1");
    const Endpoint reader = r.resolve_reader("COM2");
    EXPECT_TRUE(reader.simulated);
    EXPECT_EQ(reader.device, "SIM");
    EXPECT_NE(reader.serial, programmer.serial) << "the reader is a port of its own";
    EXPECT_EQ(r.resolve_reader("SIM").serial, reader.serial);
    const Endpoint real = r.resolve_reader("COM5");
    EXPECT_FALSE(real.simulated);
    EXPECT_EQ(real.device, r.resolve("COM5").device);
    EXPECT_EQ(real.serial, r.resolve("COM5").serial);
}

TEST_F(FakeTree, EmptyMachineListsOnlyTheSimulator) {
    PortList list = resolver().port_list();
    EXPECT_THAT(list.names, ElementsAre("SIM"));
    EXPECT_EQ(list.count, 1);
}

TEST_F(FakeTree, RegisteredEndpointsComeFirst) {
    Trace trace;
    FakeSerialSystem fake(&trace);
    PortResolver r = resolver();
    r.register_endpoint("COM3", Endpoint{&fake, nullptr, nullptr, false, "fake"});
    EXPECT_EQ(r.resolve("COM3").serial, &fake);
    r.clear_registered_endpoints();
    EXPECT_NE(r.resolve("COM3").serial, &fake);
}

} // namespace
} // namespace korvane::test
