#include <gtest/gtest.h>

#include "app/settings.h"

namespace korvane {
namespace {

SettingsRecord fresh() {
    SettingsRecord r{};
    apply_settings_defaults(r, "/p/");
    return r;
}

TEST(RecentDevices, SameDeviceTwiceKeepsOneSlot) {
    SettingsRecord r = fresh();
    add_recent_device(r, kRecentPic, 1);
    add_recent_device(r, kRecentPic, 1);
    EXPECT_EQ(r.recent_device_pos, 1);
    EXPECT_EQ(r.recent_devices[1].kind, 0);
    // Same index but another kind is another device.
    add_recent_device(r, kRecentEEProm, 1);
    EXPECT_EQ(r.recent_device_pos, 2);
    EXPECT_EQ(r.recent_devices[1].kind, kRecentEEProm);
    EXPECT_EQ(r.recent_devices[1].eeprom_index, 1);
}

TEST(RecentDevices, EleventhDeviceOverwritesSlotOneAndKeepsTheOtherIndex) {
    SettingsRecord r = fresh();
    for (int i = 0; i < 10; ++i) add_recent_device(r, kRecentPic, i);   // slots 1..10
    EXPECT_EQ(r.recent_device_pos, 10);
    add_recent_device(r, kRecentEEProm, 9);
    EXPECT_EQ(r.recent_device_pos, 1);
    EXPECT_EQ(r.recent_devices[0].kind, kRecentEEProm);
    EXPECT_EQ(r.recent_devices[0].eeprom_index, 9);
    EXPECT_EQ(r.recent_devices[0].pic_index, 0);   // left from the PIC that was there
    EXPECT_EQ(r.recent_devices[1].pic_index, 1);
}

TEST(RecentDevices, MenuFollowsSlotOrderWithTitles) {
    SettingsRecord r = fresh();
    EXPECT_TRUE(recent_device_items(r).empty());
    r.recent_device_pos = 2;
    r.recent_devices[2] = {kRecentPic, 1, 0};
    r.recent_devices[0] = {kRecentEEProm, 0, 10};
    r.recent_devices[5] = {kRecentPic, 0, 0};
    r.recent_devices[7] = {kRecentPic, 12, 0};   // damaged: not offered
    r.recent_devices[8] = {kRecentEEProm, 0, 11};
    const auto items = recent_device_items(r);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].slot, 1);
    EXPECT_EQ(items[0].caption, "EEProm 24C512");
    EXPECT_EQ(items[0].index, 10);
    EXPECT_EQ(items[1].slot, 3);
    EXPECT_EQ(items[1].caption, "PIC 16F628 ");
    EXPECT_EQ(items[2].slot, 6);
    EXPECT_EQ(items[2].caption, "PIC 16F84  ");
    EXPECT_EQ(items[2].kind, kRecentPic);
}

TEST(RecentFiles, RingOfTenWithExactMatch) {
    SettingsRecord r = fresh();
    add_recent_pic_file(r, "/a/x.hex");
    add_recent_pic_file(r, "/a/x.hex");
    add_recent_pic_file(r, "/a/X.hex");   // case differs: a new entry
    EXPECT_EQ(r.recent_pic_file_pos, 2);
    for (int i = 0; i < 8; ++i) add_recent_pic_file(r, "/f" + std::to_string(i));
    EXPECT_EQ(r.recent_pic_file_pos, 10);
    add_recent_pic_file(r, "/eleventh");
    EXPECT_EQ(r.recent_pic_file_pos, 1);
    EXPECT_EQ(r.recent_pic_files[0].str(), "/eleventh");
    EXPECT_EQ(r.recent_pic_files[1].str(), "/a/X.hex");
    EXPECT_EQ(r.recent_eeprom_file_pos, 0);
}

TEST(RecentFiles, LongNamesAreCutTo128AndThenMatch) {
    SettingsRecord r = fresh();
    const std::string longer(140, 'a');
    add_recent_eeprom_file(r, longer);
    add_recent_eeprom_file(r, longer.substr(0, 128) + "different tail");
    EXPECT_EQ(r.recent_eeprom_file_pos, 1);
    EXPECT_EQ(r.recent_eeprom_files[0].str(), std::string(128, 'a'));
}

TEST(RecentFiles, MenuItemsNumberPicThenEEPromGroups) {
    SettingsRecord r = fresh();
    r.recent_pic_files[3].assign("/p4.hex");
    r.recent_pic_files[0].assign("/p1.hex");
    r.recent_eeprom_files[1].assign("/e2.bin");
    const auto items = recent_file_items(r);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].item, 1);
    EXPECT_EQ(items[0].path, "/p1.hex");
    EXPECT_EQ(items[1].item, 4);
    EXPECT_FALSE(items[1].eeprom);
    EXPECT_EQ(items[2].item, 12);
    EXPECT_EQ(items[2].slot, 2);
    EXPECT_TRUE(items[2].eeprom);
    EXPECT_EQ(items[2].path, "/e2.bin");
}

TEST(RecentFiles, ChoiceOnlyInTheMatchingModeAndWhenIdle) {
    EXPECT_TRUE(recent_file_choice_allowed(false, 1, false));
    EXPECT_FALSE(recent_file_choice_allowed(false, 2, false));   // PIC file in EEPROM mode
    EXPECT_FALSE(recent_file_choice_allowed(false, 3, false));
    EXPECT_FALSE(recent_file_choice_allowed(false, 1, true));
    EXPECT_TRUE(recent_file_choice_allowed(true, 2, false));
    EXPECT_TRUE(recent_file_choice_allowed(true, 4, false));
    EXPECT_FALSE(recent_file_choice_allowed(true, 1, false));
    EXPECT_FALSE(recent_file_choice_allowed(true, 0, false));
}

} // namespace
} // namespace korvane
