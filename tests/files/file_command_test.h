#pragma once
// Shared fixture of the open and save command tests: a temporary directory, settings and a host
// that records the message boxes.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "common/test_env.h"
#include "images.h"
#include "common/recording_host.h"

namespace korvane::test {

template <class Image, class Context, std::unique_ptr<Image> (*Blank)(int)>
struct FileCommandTest : ::testing::Test {
    void SetUp() override { use(0); }   // the 16F84 or the 24C01
    void use(int device_or_type) {
        index = device_or_type;
        img = Blank(index);
    }
    Context ctx() { return {*img, index, settings, host}; }
    std::string path(const std::string& name) const { return (dir.path() / name).string(); }
    std::vector<std::string> box(std::size_t i) const { return host.boxes.at(i).lines; }
    // A name longer than the settings can hold: 100-character directory, 40-character file.
    std::string long_path(const std::string& extension) const {
        const auto sub = dir.path() / std::string(100, 'd');
        std::filesystem::create_directories(sub);
        return (sub / (std::string(40, 'f') + extension)).string();
    }

    TempDir dir;
    std::unique_ptr<Image> img;
    int index = 0;
    SettingsRecord settings{};
    RecordingHost host;
};

using Lines = std::vector<std::string>;

} // namespace korvane::test
