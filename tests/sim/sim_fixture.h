#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/test_env.h"
#include "icsp_host.h"
#include "sim/sim_bench.h"

namespace korvane::sim::test {

// A bench of its own per test: virtual clock, empty state directory, faults as given.
class SimTest : public ::testing::Test {
protected:
    void make_bench(const std::string& faults = "") {
        port_.reset();
        bench_.reset();
        BenchFixtureEnv::set(dir_.str(), faults);
        bench_ = std::make_unique<SimBench>();
    }
    void SetUp() override { make_bench(); }
    void TearDown() override {
        port_.reset();
        bench_.reset();
        unsetenv("KORVANE_SIM");
    }

    // Opens "SIM" and puts the given 16F part (catalogue index) in the socket.
    ISerialPort& open_with_pic(int index) {
        bench_->select_target(TargetKind::Pic, index);
        return open();
    }
    ISerialPort& open() {
        std::string error;
        port_ = bench_->serial().open("SIM", error);
        EXPECT_TRUE(port_) << error;
        lines_ = std::make_unique<SerialLines>(*port_);
        icsp_ = std::make_unique<Icsp>(*lines_, bench_->clock());
        return *port_;
    }
    void close() {
        icsp_.reset();
        lines_.reset();
        port_.reset();
    }
    Icsp& icsp() { return *icsp_; }
    // The data node at each rising clock edge with PGD released: only the chip can pull it low.
    std::string node_per_clock(int clocks) {
        port_->set_dtr(true);
        std::string seen;
        for (int clk = 1; clk <= clocks; ++clk) {
            port_->set_rts(true);
            seen += port_->cts() ? '1' : '0';
            port_->set_rts(false);
        }
        return seen;
    }
    SimBench& bench() { return *bench_; }
    Pic16Chip& chip() { return *bench_->pic16(); }

    korvane::test::TempDir dir_;
    std::unique_ptr<SimBench> bench_;
    std::unique_ptr<ISerialPort> port_;
    std::unique_ptr<Lines> lines_;
    std::unique_ptr<Icsp> icsp_;
};

} // namespace korvane::sim::test
