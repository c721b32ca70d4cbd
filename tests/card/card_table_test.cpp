#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/settings.h"
#include "card/card_selection.h"
#include "card/card_table.h"
#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The rows' chip types are run end to end on the simulated bench (test_card_on_sim.cpp); here what
// must hold within every row, and the texts with their padding.
TEST(CardTable, EveryRowIsConsistent) {
    EXPECT_STREQ(iso_card_page_caption(0), "PIC 16F");
    EXPECT_STREQ(iso_card_page_caption(1), "PIC 18F");
    EXPECT_EQ(iso_card_page_size(0), 9);
    EXPECT_EQ(iso_card_page_size(1), 1);
    for (int k = 0; k < kIsoCardCount; ++k) {
        const TIsoCard* c = iso_card_at(k);
        ASSERT_NE(c, nullptr);
        SCOPED_TRACE(k);
        EXPECT_EQ(c->page, k < 9 ? 0 : 1);
        EXPECT_EQ(c->index, k < 9 ? k : 0);
        EXPECT_EQ(iso_card(c->page, c->index), c);
        EXPECT_EQ(is_pic18f(c->shown.pic_type), c->page == 1);
        EXPECT_EQ(c->shown.card_name.len, k < 9 ? 17 : 14);
        EXPECT_EQ(c->shown.pic_shown.len, 6);
        EXPECT_EQ(c->shown.eeprom_shown.len, 6);
        // The shown chip names are those of the types the card sets.
        EXPECT_EQ(trimmed(c->shown.pic_shown.str()), trimmed(pic_device(c->shown.pic_type).name.str()));
        EXPECT_EQ(trimmed(c->shown.eeprom_shown.str()), eeprom_type(c->shown.eeprom_type).list_name);
        if (k != 1) {
            const std::string hint = trimmed(c->shown.card_name.str()) + " - PIC " +
                                     trimmed(c->shown.pic_shown.str()) + "  & EEProm " +
                                     trimmed(c->shown.eeprom_shown.str());
            EXPECT_EQ(c->hint, hint);
        }
    }
    EXPECT_STREQ(iso_card(0, 0)->hint, "GoldCard - PIC 16F84  & EEProm 24C16");
    EXPECT_STREQ(iso_card(0, 1)->hint, "BueCard - PIC 16F84  & EEProm 24C64");
    EXPECT_EQ(iso_card(1, 0)->shown.card_name.str(), "ZenCard       ");
    EXPECT_EQ(iso_card(0, 0)->shown.pic_shown.str(), "16F84 ");
    EXPECT_EQ(iso_card(0, 9), nullptr);
    EXPECT_EQ(iso_card(1, 1), nullptr);
    EXPECT_EQ(iso_card(2, 0), nullptr);
    EXPECT_EQ(iso_card_at(10), nullptr);
}

class CardSelection : public ::testing::Test {
protected:
    void SetUp() override {
        apply_settings_defaults(settings, "/p/");
        settings.pic_device = 2;
        before = settings;
        dialog.on_show();
    }
    bool unchanged() const { return std::memcmp(&settings, &before, sizeof settings) == 0; }
    SettingsRecord settings{};
    SettingsRecord before{};
    TISOSC_Select dialog;
};

TEST_F(CardSelection, OkWithoutACardChangesNothing) {
    EXPECT_FALSE(dialog.ok(settings));
    EXPECT_TRUE(unchanged());
}

TEST_F(CardSelection, LastPressedCardWinsOnOk) {
    ASSERT_TRUE(dialog.card_button(0, 5));   // GreenCard 64
    ASSERT_TRUE(dialog.card_button(0, 0));   // GoldCard
    EXPECT_EQ(dialog.page_labels(0).card, "GoldCard         ");
    EXPECT_EQ(dialog.page_labels(0).pic, "16F84 ");
    EXPECT_EQ(dialog.page_labels(0).eeprom, "24C16 ");
    EXPECT_TRUE(dialog.ok(settings));
    EXPECT_EQ(settings.iso_pic_device, 0);
    EXPECT_EQ(settings.iso_eeprom_device, 4);
    EXPECT_EQ(settings.pic_device, 0);
}

TEST_F(CardSelection, CancelAfterAPressChangesNothing) {
    dialog.card_button(0, 2);
    dialog.cancel();
    EXPECT_TRUE(unchanged());
}

TEST_F(CardSelection, ZenCardOnTheSecondPage) {
    dialog.set_active_page(1);
    ASSERT_TRUE(dialog.card_button(1, 0));
    EXPECT_EQ(dialog.page_labels(1).card, "ZenCard       ");
    EXPECT_EQ(dialog.page_labels(1).pic, "18F452");
    EXPECT_TRUE(dialog.page_labels(0).card.empty());
    EXPECT_TRUE(dialog.ok(settings));
    EXPECT_EQ(settings.iso_pic_device, 10);
    EXPECT_EQ(settings.iso_eeprom_device, 9);
    EXPECT_EQ(settings.pic_device, 10);
}

TEST_F(CardSelection, ShowingAgainForgetsTheChoice) {
    dialog.set_active_page(1);
    dialog.card_button(1, 0);
    dialog.on_show();
    EXPECT_EQ(dialog.active_page(), 0);
    EXPECT_FALSE(dialog.chosen());
    EXPECT_FALSE(dialog.ok(settings));
    EXPECT_FALSE(dialog.card_button(1, 3));   // no such card: nothing chosen
    EXPECT_FALSE(dialog.chosen());
}

} // namespace
} // namespace korvane
