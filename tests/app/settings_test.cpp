#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "common/test_env.h"

namespace korvane {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

const std::string kProgDir = "/opt/korvane/";

std::uint8_t at(const std::string& bytes, std::size_t offset) { return std::uint8_t(bytes.at(offset)); }

std::uint32_t le32(const std::string& bytes, std::size_t offset) {
    return at(bytes, offset) | at(bytes, offset + 1) << 8 | at(bytes, offset + 2) << 16 |
           std::uint32_t(at(bytes, offset + 3)) << 24;
}

std::string text(const std::string& bytes, std::size_t offset) {
    return bytes.substr(offset + 1, at(bytes, offset));
}

std::string record_bytes(const SettingsRecord& r) {
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

TEST(SettingsRecordLayout, FieldsSitAtTheirFileOffsets) {
    EXPECT_EQ(offsetof(SettingsRecord, log_path), 5u);
    EXPECT_EQ(offsetof(SettingsRecord, programmer_type), 134u);
    EXPECT_EQ(offsetof(SettingsRecord, recent_device_pos), 137u);
    EXPECT_EQ(offsetof(SettingsRecord, recent_devices), 138u);
    EXPECT_EQ(offsetof(SettingsRecord, confirm_program), 168u);
    EXPECT_EQ(offsetof(SettingsRecord, show_opcode), 175u);
    EXPECT_EQ(offsetof(SettingsRecord, programmers), 176u);
    EXPECT_EQ(offsetof(SettingsRecord, last_pic_dir), 293u);
    EXPECT_EQ(offsetof(SettingsRecord, pic_device), 422u);
    EXPECT_EQ(offsetof(SettingsRecord, skip_3fff), 427u);
    EXPECT_EQ(offsetof(SettingsRecord, recent_pic_files), 429u);
    EXPECT_EQ(offsetof(SettingsRecord, last_eeprom_dir), 1719u);
    EXPECT_EQ(offsetof(SettingsRecord, eeprom_device), 1848u);
    EXPECT_EQ(offsetof(SettingsRecord, recent_eeprom_files), 1851u);
    EXPECT_EQ(offsetof(SettingsRecord, card_reader_port), 3141u);
    EXPECT_EQ(offsetof(SettingsRecord, card_reader_clock), 3148u);
    EXPECT_EQ(offsetof(ProgrammerParams, prog_delay_ms), 6u);
    EXPECT_EQ(offsetof(ProgrammerParams, bit_time_us), 26u);
    EXPECT_EQ(offsetof(ProgrammerParams, invert_vcc), 34u);
    EXPECT_EQ(offsetof(ProgrammerParams, eeprom_bit_time_us), 35u);
}

TEST(SettingsLoad, MissingFileIsCreatedWithDefaults) {
    TempDir dir;
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    const std::string f = read_file(dir.path() / "Korvane.INI");
    ASSERT_EQ(f.size(), 3149u);
    EXPECT_EQ(f.substr(0, 5), std::string("\x04" "1.08"));
    EXPECT_EQ(f, record_bytes(rec));

    EXPECT_EQ(text(f, 5), "/opt/korvane/KVProgLog");
    EXPECT_EQ(at(f, 134), 0);   // JDM
    EXPECT_EQ(at(f, 135), 1);
    EXPECT_EQ(at(f, 136), 1);   // priority High
    EXPECT_EQ(at(f, 137), 0);
    for (std::size_t o = 168; o <= 171; ++o) EXPECT_EQ(at(f, o), 1) << o;
    EXPECT_EQ(at(f, 172), 1);   // hexadecimal listing
    for (std::size_t o = 173; o <= 175; ++o) EXPECT_EQ(at(f, o), 1) << o;
    EXPECT_EQ(text(f, 293), kProgDir);
    EXPECT_EQ(at(f, 422), 0);   // 16F84
    EXPECT_EQ(at(f, 423), 1);
    EXPECT_EQ(at(f, 424), 0);
    EXPECT_EQ(at(f, 425), 1);
    EXPECT_EQ(at(f, 426), 1);
    EXPECT_EQ(at(f, 427), 1);
    EXPECT_EQ(text(f, 1719), kProgDir);
    EXPECT_EQ(at(f, 1848), 4);  // 24C16
    EXPECT_EQ(at(f, 1849), 1);
    EXPECT_EQ(text(f, 3141), "COM2");
    EXPECT_EQ(at(f, 3146), 3);
    EXPECT_EQ(at(f, 3147), 6);
    EXPECT_EQ(at(f, 3148), 0);
}

TEST(SettingsLoad, ProgrammerRecordsHaveTheirTypeDefaults) {
    TempDir dir;
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    const std::string f = read_file(dir.path() / "Korvane.INI");
    struct Expected { const char* port; std::uint32_t delay, retries, tset, thld, cmd, bit, eebit; };
    const Expected want[3] = {{"COM1", 11, 10, 60, 60, 0, 0, 1},
                              {"COM1", 1, 10, 1, 1, 0, 1, 1},
                              {"COM2", 1, 10, 60, 60, 0, 1, 1}};
    for (int t = 0; t < 3; ++t) {
        const std::size_t b = 176 + 39 * std::size_t(t);
        EXPECT_EQ(text(f, b), want[t].port) << t;
        EXPECT_EQ(at(f, b + 5), 1) << t;   // direct I/O
        EXPECT_EQ(le32(f, b + 6), want[t].delay) << t;
        EXPECT_EQ(le32(f, b + 10), want[t].retries) << t;
        EXPECT_EQ(le32(f, b + 14), want[t].tset) << t;
        EXPECT_EQ(le32(f, b + 18), want[t].thld) << t;
        EXPECT_EQ(le32(f, b + 22), want[t].cmd) << t;
        EXPECT_EQ(le32(f, b + 26), want[t].bit) << t;
        for (std::size_t o = 30; o <= 34; ++o) EXPECT_EQ(at(f, b + o), 0) << t << " " << o;
        EXPECT_EQ(le32(f, b + 35), want[t].eebit) << t;
    }
    EXPECT_EQ(rec.current_programmer().port_name.str(), "COM1");
    EXPECT_EQ(rec.current_programmer().direct_io, 1);
}

TEST(SettingsLoad, MatchingFileIsTakenAsItIsAndNotRewritten) {
    TempDir dir;
    SettingsRecord want{};
    apply_settings_defaults(want, kProgDir);
    want.pic_device = 10;
    want.priority = 2;
    want.log_path.assign("kept");
    write_file(dir.path() / "Korvane.INI", record_bytes(want));
    SettingsRecord rec{};
    load_settings(dir.path(), "/elsewhere/", rec);
    EXPECT_EQ(record_bytes(rec), record_bytes(want));
}

TEST(SettingsLoad, OldVersionIsReplacedButBytesWithoutDefaultAreKept) {
    TempDir dir;
    std::string old(3149, '\0');
    old.replace(0, 5, "\x04" "1.07");
    old[134] = 2;                        // a defaulted field: back to JDM
    old[5 + 1 + 30] = 'Z';               // past the log path's default text: kept
    old[138 + 3 * 4 + 1] = 7;            // PIC index of an emptied recent slot: kept
    old[429 + 129 * 2 + 5] = 'q';        // inside an emptied recent file slot: kept
    write_file(dir.path() / "Korvane.INI", old);

    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    const std::string f = read_file(dir.path() / "Korvane.INI");
    ASSERT_EQ(f.size(), 3149u);
    EXPECT_EQ(f.substr(0, 5), std::string("\x04" "1.08"));
    EXPECT_EQ(at(f, 134), 0);
    EXPECT_EQ(at(f, 5 + 1 + 30), 'Z');
    EXPECT_EQ(at(f, 138 + 12), 0);       // kind emptied
    EXPECT_EQ(at(f, 138 + 13), 7);
    EXPECT_EQ(at(f, 429 + 258), 0);      // length emptied
    EXPECT_EQ(at(f, 429 + 258 + 5), 'q');
}

TEST(SettingsLoad, VersionIsComparedWithItsLengthByte) {
    TempDir dir;
    SettingsRecord good{};
    apply_settings_defaults(good, kProgDir);
    good.pic_device = 2;
    std::string bytes = record_bytes(good);
    bytes[0] = 3;                        // "1.0" with the right characters after it
    write_file(dir.path() / "Korvane.INI", bytes);
    SettingsRecord rec{};
    EXPECT_FALSE(read_settings_file(dir.path() / "Korvane.INI", rec));
    load_settings(dir.path(), kProgDir, rec);
    EXPECT_EQ(rec.pic_device, 0);
}

TEST(SettingsLoad, ShortFileOfRightVersionIsTakenAsFarAsItReaches) {
    TempDir dir;
    SettingsRecord full{};
    apply_settings_defaults(full, kProgDir);
    full.pic_device = 5;
    const std::string cut = record_bytes(full).substr(0, 423);   // ends with the PIC device
    write_file(dir.path() / "Korvane.INI", cut);
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    EXPECT_EQ(rec.pic_device, 5);
    EXPECT_EQ(rec.write_verify, 0);      // beyond the file: zero
    EXPECT_EQ(rec.eeprom_device, 0);
    EXPECT_EQ(rec.card_reader_port.len, 0);
    EXPECT_EQ(read_file(dir.path() / "Korvane.INI"), cut);   // not rewritten at start
}

TEST(SettingsLoad, TooShortForTheVersionMeansNoUsableFile) {
    TempDir dir;
    write_file(dir.path() / "Korvane.INI", std::string("\x04" "1.0", 4));
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    EXPECT_EQ(read_file(dir.path() / "Korvane.INI").size(), 3149u);
    EXPECT_EQ(rec.eeprom_device, 4);
}

TEST(SettingsLoad, OutOfTableValuesFromADamagedFileFallBackToDefaults) {
    TempDir dir;
    SettingsRecord bad{};
    apply_settings_defaults(bad, kProgDir);
    bad.programmer_type = 9;
    bad.pic_device = 12;
    bad.eeprom_device = 11;
    bad.iso_pic_device = 200;
    bad.iso_eeprom_device = 99;
    bad.priority = 3;
    bad.radix = 4;
    bad.card_reader_clock = 2;
    bad.recent_device_pos = 11;
    write_file(dir.path() / "Korvane.INI", record_bytes(bad));
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    EXPECT_EQ(rec.programmer_type, 0);
    EXPECT_EQ(rec.pic_device, 0);
    EXPECT_EQ(rec.eeprom_device, 4);
    EXPECT_EQ(rec.iso_pic_device, 3);
    EXPECT_EQ(rec.iso_eeprom_device, 6);
    EXPECT_EQ(rec.priority, 1);
    EXPECT_EQ(rec.radix, 1);
    EXPECT_EQ(rec.card_reader_clock, 0);
    EXPECT_EQ(rec.recent_device_pos, 0);
}

TEST(SettingsLoad, CreatesAMissingConfigDirectory) {
    TempDir dir;
    const auto nested = dir.path() / "a" / "b";
    SettingsRecord rec{};
    load_settings(nested, kProgDir, rec);
    EXPECT_EQ(read_file(nested / "Korvane.INI").size(), 3149u);
}

TEST(SettingsSave, WritesTheWholeRecordAndLeavesNoTemporaryFile) {
    TempDir dir;
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    rec.verify_after = 1;
    rec.card_reader_port.assign("SIM");
    ASSERT_TRUE(save_settings(dir.path(), rec));
    EXPECT_EQ(read_file(dir.path() / "Korvane.INI"), record_bytes(rec));
    EXPECT_FALSE(std::filesystem::exists(settings_temp_path(dir.path())));
    SettingsRecord again{};
    load_settings(dir.path(), kProgDir, again);
    EXPECT_EQ(record_bytes(again), record_bytes(rec));
}

TEST(SettingsSave, FailedSaveLeavesTheOldFileIntact) {
    TempDir dir;
    SettingsRecord rec{};
    load_settings(dir.path(), kProgDir, rec);
    const std::string before = read_file(dir.path() / "Korvane.INI");
    // Something in the way of the temporary file: the save must fail without touching the file.
    std::filesystem::create_directory(settings_temp_path(dir.path()));
    rec.pic_device = 7;
    EXPECT_FALSE(save_settings(dir.path(), rec));
    EXPECT_EQ(read_file(dir.path() / "Korvane.INI"), before);
    EXPECT_TRUE(std::filesystem::is_directory(settings_temp_path(dir.path())));
}

TEST(SettingsSave, UnwritableLocationFailsSilently) {
    TempDir dir;
    SettingsRecord rec{};
    apply_settings_defaults(rec, kProgDir);
    EXPECT_FALSE(save_settings(dir.path() / "missing", rec));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(SettingsSave, RenameFailureKeepsTheOldFileAndCleansUp) {
    TempDir dir;
    SettingsRecord rec{};
    apply_settings_defaults(rec, kProgDir);
    // A non-empty directory named like the settings file cannot be replaced by a rename.
    std::filesystem::create_directories(dir.path() / "Korvane.INI" / "keep");
    EXPECT_FALSE(save_settings(dir.path(), rec));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Korvane.INI" / "keep"));
    EXPECT_FALSE(std::filesystem::exists(settings_temp_path(dir.path())));
}

class SettingsDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"KORVANE_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME"})
            if (const char* s = std::getenv(v)) saved_.emplace_back(v, s);
            else saved_.emplace_back(v, std::nullopt);
    }
    void TearDown() override {
        for (auto& [k, v] : saved_)
            if (v) setenv(k.c_str(), v->c_str(), 1);
            else unsetenv(k.c_str());
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SettingsDirectory, EnvironmentOverridesEverything) {
    TempDir prog;
    setenv("KORVANE_CONFIG_DIR", "/some/where", 1);
    EXPECT_EQ(settings_directory(prog.path()), std::filesystem::path("/some/where"));
}

TEST_F(SettingsDirectory, WritableProgramDirectoryIsPortable) {
    TempDir prog;
    unsetenv("KORVANE_CONFIG_DIR");
    EXPECT_EQ(settings_directory(prog.path()), prog.path());
}

TEST_F(SettingsDirectory, PackageInstallUsesTheUserConfigDirectoryEvenWhenWritable) {
    // Root may write to /usr/bin, but a packaged program must not leave its settings there.
    unsetenv("KORVANE_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/home/u/.cfg", 1);
    for (const char* dir : {"/usr/bin/", "/usr/bin", "/usr/local/bin/", "/bin/", "/usr//bin/"})
        EXPECT_EQ(settings_directory(dir), std::filesystem::path("/home/u/.cfg/korvane")) << dir;
}

TEST_F(SettingsDirectory, OtherwiseTheUserConfigDirectory) {
    unsetenv("KORVANE_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/home/u/.cfg", 1);
    const std::filesystem::path missing = "/nonexistent-korvane-dir/bin/";
    EXPECT_EQ(settings_directory(missing), std::filesystem::path("/home/u/.cfg/korvane"));
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(settings_directory(missing), std::filesystem::path("/home/u/.config/korvane"));
}

TEST(ApplicationTitle, VersionTextCutToTwelveCharacters) {
    SettingsRecord rec{};
    apply_settings_defaults(rec, kProgDir);
    EXPECT_EQ(application_title(rec), "Korvane 1.08");
    rec.version.assign("1.1");
    EXPECT_EQ(application_title(rec), "Korvane 1.1");
    rec.version.assign("12345");   // capacity 4 keeps "1234"
    EXPECT_EQ(application_title(rec), "Korvane 1234");
}

} // namespace
} // namespace korvane
