// Write blocks and read blocks against the scripted card: block counts and lengths per type, the
// exact frames, checksums, status bytes, the verify's fail address, progress and LEDs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "card_rig.h"

namespace korvane {
namespace {

using ::testing::ElementsAre;
using test::CardRig;

using Lines = std::vector<std::vector<std::string>>;

TEST(CardBlocks, WriteAndReadBackA24C64) {
    CardRig rig(6);
    rig.fill_image();
    ASSERT_TRUE(rig.io.write_blocks(card_write_block_length(6)));
    EXPECT_EQ(rig.reader.card.memory, rig.image_bytes());
    const auto writes = rig.headers(kInsWriteBlock);
    ASSERT_EQ(writes.size(), 256u);
    EXPECT_THAT(writes.back(), ElementsAre(0xC1, 0x02, 0x1F, 0xE0, 0x21));
    EXPECT_EQ(rig.progress.max, (0x1FFF - 1) / 32);
    EXPECT_EQ(rig.progress.steps, 256);
    EXPECT_EQ(rig.progress.position, 0) << "progress back to 0 at the end";
    EXPECT_EQ(rig.host.tx_toggles, 256);
    EXPECT_EQ(rig.io.task_running, 0);

    clear_eeprom_image(*rig.image, 6);
    ASSERT_TRUE(rig.io.read_blocks(card_read_block_length(6), false));
    EXPECT_EQ(rig.image_bytes(), rig.reader.card.memory);
    const auto reads = rig.headers(kInsReadBlock);
    ASSERT_EQ(reads.size(), 64u);
    EXPECT_THAT(reads.front(), ElementsAre(0xC1, 0x01, 0x00, 0x00, 0x81));
    EXPECT_EQ(rig.headers(kInsInit).size(), 2u) << "each routine resets and inits the card";
    EXPECT_TRUE(rig.host.boxes.empty());
}

TEST(CardBlocks, SmallestCardUsesShortBlocks) {
    CardRig rig(0);
    rig.fill_image();
    ASSERT_TRUE(rig.io.write_blocks(2));
    EXPECT_EQ(rig.headers(kInsWriteBlock).size(), 64u);
    ASSERT_TRUE(rig.io.read_blocks(64, true));
    const auto reads = rig.headers(kInsReadBlock);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_THAT(reads[1], ElementsAre(0xC1, 0x01, 0x00, 0x40, 0x41));
}

TEST(CardBlocks, VerifyNamesTheFirstAddressOfTheBlock) {
    CardRig rig(6);
    rig.fill_image();
    rig.reader.card.memory = rig.image_bytes();
    rig.reader.card.memory[0x0105] ^= 0x01;
    EXPECT_FALSE(rig.io.read_blocks(128, true));
    EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0100h"}}));
    EXPECT_EQ(rig.headers(kInsReadBlock).size(), 3u) << "the verify stops at the failing block";
    EXPECT_EQ(rig.image_bytes()[0x0105], std::uint8_t(0x0105 * 7 + 1)) << "a verify never writes the buffer";
}

TEST(CardBlocks, ChecksumFaults) {
    {
        CardRig rig(6);
        rig.reader.card.corrupt_read_checksum = true;
        EXPECT_FALSE(rig.io.read_blocks(128, false));
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "CheckSum Not Correct"}}));
        EXPECT_EQ(rig.headers(kInsReadBlock).size(), 1u);
    }
    {
        CardRig rig(6);
        rig.reader.card.drop_read_checksum = true;
        EXPECT_FALSE(rig.io.read_blocks(128, true));
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "CheckSum Not Correct"}}));
    }
}

TEST(CardBlocks, ShortReadBlockKeepsWhatCame) {
    CardRig rig(6);
    rig.reader.card.memory.assign(8192, 0x5A);
    rig.reader.card.read_data_cut = 100;
    EXPECT_FALSE(rig.io.read_blocks(128, false));
    EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "CheckSum Not Correct"}}));
    const auto bytes = rig.image_bytes();
    EXPECT_EQ(bytes[99], 0x5A);
    EXPECT_EQ(bytes[100], kNoByte) << "missing bytes read as 0x23";
    EXPECT_EQ(bytes[128], 0xFF) << "the rest stays blank";
}

TEST(CardBlocks, WrongProcedureByteOfABlock) {
    CardRig rig(6);
    rig.reader.card.procedure_for[kInsReadBlock] = 0x67;
    EXPECT_FALSE(rig.io.read_blocks(128, false));
    EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "Message Length Not Correct"}}));
}

} // namespace
} // namespace korvane
