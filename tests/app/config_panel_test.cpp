#include <gtest/gtest.h>

#include <memory>

#include "app/config_panel.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"

namespace korvane {
namespace {

class ConfigPanel : public ::testing::Test {
protected:
    void show(int device, std::uint16_t w) {
        clear_pic_image(*img, device);
        img->config[7] = w;
        panel.bind(img.get(), device, device);
        panel.rebuild();
    }
    const FuseBox& box(Fuse f) { return panel.view().fuses[int(f)]; }
    std::unique_ptr<PicImage> img = std::make_unique<PicImage>();
    TConfigPanel panel;
};

TEST_F(ConfigPanel, Rebuild16F84) {
    show(0, 0x3FF9);
    const auto& v = panel.view();
    EXPECT_EQ(v.layout, ConfigLayout::Pic16F);
    EXPECT_EQ(v.conf_word_caption, "Conf Word");
    EXPECT_EQ(v.config_word, "3FF9");
    EXPECT_EQ(v.oscillator_items.size(), 4u);
    EXPECT_EQ(v.oscillator_items[v.oscillator_index], "XT");
    EXPECT_EQ(v.code_protect_items[v.code_protect_index], "CP OFF");
    EXPECT_TRUE(box(Fuse::WDT).enabled);
    EXPECT_FALSE(box(Fuse::WDT).checked);
    EXPECT_FALSE(box(Fuse::PWRT).checked);
    EXPECT_FALSE(box(Fuse::BODEN).enabled);
    EXPECT_EQ(v.id_words[0], "3FFF");
}

TEST_F(ConfigPanel, DisabledFusesKeepTheirCheckState) {
    show(3, 0x3D78);   // BODEN on
    EXPECT_TRUE(box(Fuse::BODEN).checked);
    EXPECT_FALSE(box(Fuse::DEBUGGER).checked);
    show(0, 0x3FF8);   // 16F84 has neither
    EXPECT_FALSE(box(Fuse::BODEN).enabled);
    EXPECT_TRUE(box(Fuse::BODEN).checked);
}

TEST_F(ConfigPanel, HandlersEditWord7AndShowIt) {
    SettingsRecord settings{};
    apply_settings_defaults(settings, "/p/");
    settings.verify_after = 1;
    show(1, 0x3F08);
    EXPECT_TRUE(panel.OscillatorChange(4, false));
    EXPECT_EQ(img->config[7], 0x3F18);
    EXPECT_EQ(panel.view().config_word, "3F18");
    EXPECT_TRUE(panel.CodeProtectChange(1, false, settings));
    EXPECT_EQ(img->config[7], 0x1718);
    EXPECT_EQ(panel.view().config_word, "1718");
    EXPECT_EQ(settings.verify_after, 0);
    show(3, 0x3D38);
    EXPECT_TRUE(panel.FuseClick(Fuse::DEBUGGER, true, false));
    EXPECT_EQ(img->config[7], 0x3538);
    EXPECT_EQ(panel.view().config_word, "3538");
}

TEST_F(ConfigPanel, ChoicesAreIgnoredWhileBusyButEditBoxesAreNot) {
    SettingsRecord settings{};
    settings.verify_after = 1;
    show(0, 0x3FF9);
    EXPECT_FALSE(panel.OscillatorChange(0, true));
    EXPECT_FALSE(panel.CodeProtectChange(1, true, settings));
    EXPECT_FALSE(panel.FuseClick(Fuse::WDT, true, true));
    EXPECT_EQ(img->config[7], 0x3FF9);
    EXPECT_EQ(settings.verify_after, 1);
    panel.ConfigWordChange("1234");
    EXPECT_EQ(img->config[7], 0x1234);
    // Typing does not move the choices; the next rebuild does.
    EXPECT_EQ(panel.view().oscillator_index, 1);
    panel.rebuild();
    EXPECT_EQ(panel.view().oscillator_index, 0);
}

TEST_F(ConfigPanel, ShortTextReadsAsAWordWithMissingDigitsZero) {
    show(0, 0x3FF8);
    panel.IDWordChange(2, "3F");
    EXPECT_EQ(img->config[1], 0x3F00);
    panel.IDWordChange(1, "");
    EXPECT_EQ(img->config[0], 0x0000);
    EXPECT_EQ(panel.view().id_words[1], "3F");
}

TEST_F(ConfigPanel, Pic18FShowsRawWordsAndIdBytes) {
    clear_pic_image(*img, 10);
    img->config[7] = 0x1111;   // belongs to no address: never shown or edited
    img->id[2] = 0x34;
    img->id[3] = 0x12;
    panel.bind(img.get(), 10, 10);
    panel.rebuild();
    const auto& v = panel.view();
    EXPECT_EQ(v.layout, ConfigLayout::Pic18F);
    EXPECT_EQ(v.conf_word_caption, "Config 7");
    EXPECT_EQ(v.config_word, "FFFF");
    for (const auto& c : v.config) EXPECT_EQ(c, "FFFF");
    EXPECT_EQ(v.id_words[0], "FFFF");
    EXPECT_EQ(v.id_words[1], "1234");

    panel.ConfigWordChange("0F0F");
    EXPECT_EQ(img->config[6], 0x0F0F);
    EXPECT_EQ(img->config[7], 0x1111);
    panel.ConfigChange(1, "22FF");
    EXPECT_EQ(img->config[0], 0x22FF);
    panel.IDWordChange(4, "ABCD");
    EXPECT_EQ(img->id[6], 0xCD);
    EXPECT_EQ(img->id[7], 0xAB);
    // The 16F choices have nothing to do on an 18F device.
    EXPECT_FALSE(panel.OscillatorChange(0, false));
    EXPECT_EQ(img->config[7], 0x1111);
}

TEST_F(ConfigPanel, UnknownDeviceStoresNothing) {
    clear_pic_image(*img, 0);
    const PicImage before = *img;
    panel.bind(img.get(), 12, 12);
    panel.rebuild();
    panel.ConfigWordChange("0000");
    panel.IDWordChange(1, "0000");
    panel.ConfigChange(3, "0000");
    EXPECT_EQ(img->config, before.config);
    EXPECT_EQ(img->id, before.id);
    TConfigPanel unbound;
    unbound.rebuild();
    unbound.ConfigWordChange("1");   // no buffer: nothing to store, no crash
}

TEST_F(ConfigPanel, LockAndRebuildEnableAgain) {
    show(1, 0x3F08);
    panel.lock();
    EXPECT_FALSE(panel.view().items_list_enabled);
    EXPECT_FALSE(panel.view().oscillator_enabled);
    EXPECT_FALSE(box(Fuse::MCLR).enabled);
    panel.rebuild();
    EXPECT_TRUE(panel.view().items_list_enabled);
    EXPECT_TRUE(panel.view().code_protect_enabled);
    EXPECT_TRUE(box(Fuse::MCLR).enabled);
    panel.set_pic_id(0x07C3);
    EXPECT_EQ(panel.view().pic_id, "07C3");
}

TEST_F(ConfigPanel, CodeProtectChangeSurvivesASaveAsVerifyAfterOff) {
    SettingsRecord settings{};
    apply_settings_defaults(settings, "/p/");
    settings.verify_after = 1;
    show(0, 0x3FF9);
    panel.CodeProtectChange(0, false, settings);   // even choosing the same range
    EXPECT_EQ(settings.verify_after, 0);
    const char* dir = std::getenv("KORVANE_CONFIG_DIR");
    ASSERT_NE(dir, nullptr);
    ASSERT_TRUE(save_settings(dir, settings));
    SettingsRecord loaded{};
    load_settings(dir, "/p/", loaded);
    EXPECT_EQ(loaded.verify_after, 0);
}

} // namespace
} // namespace korvane
