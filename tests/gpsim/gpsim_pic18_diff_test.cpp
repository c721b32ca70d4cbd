// Generated PIC18 programs on our core and on gpsim's p18f452: fixed seeds, then as many fresh
// seeds as fit in a short time. gpsim missing fails the test.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <unistd.h>

#include "gpsim/lib/pic18_diff.h"

namespace korvane::gpsim {
namespace {

class GpsimPic18Diff : public testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/kv18XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
        diff_ = std::make_unique<Pic18Diff>(dir_);
    }
    void TearDown() override {
        diff_.reset();
        std::filesystem::remove_all(dir_);
    }
    // Fails with the seed, the first instruction both disagree after, and every difference.
    void check(std::uint32_t seed) {
        const Pic18Program p = pic18_program(seed);
        const auto diffs = diff_->run(p);
        if (diffs.empty()) return;
        std::string all;
        for (const auto& d : diffs) all += "\n  " + d;
        ADD_FAILURE() << "seed " << seed << ": " << diff_->first_divergence(p) << all;
    }

    std::filesystem::path dir_;
    std::unique_ptr<Pic18Diff> diff_;
};

TEST_F(GpsimPic18Diff, FixedSeedsAgree) {
    for (std::uint32_t seed = 1; seed <= 24; ++seed) check(seed);
}

// A few seconds of fresh seeds: another sample of the programs on every run.
TEST_F(GpsimPic18Diff, FreshSeedsAgree) {
    std::random_device rd;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < until && !testing::Test::HasFailure()) check(rd());
}

} // namespace
} // namespace korvane::gpsim
