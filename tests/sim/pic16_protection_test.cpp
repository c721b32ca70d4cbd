#include "sim_fixture.h"

namespace korvane::sim::test {

namespace {
void write_config(Icsp& h, std::uint16_t config) {
    h.load_config(0x3FFF);
    h.increment(7);
    h.program_word(config);
}
} // namespace

TEST_F(SimTest, ProtectionTakesEffectWhenTheConfigWriteCompletes) {
    open_with_pic(0);
    chip().set_program_word(0, 0x1111);
    chip().set_data_byte(0, 0x22);
    chip().set_id_word(1, 0x0333);
    auto& h = icsp();
    h.enter();
    EXPECT_EQ(h.read_program(), 0x1111);
    h.load_config(0x3FFF);
    h.increment(7);
    h.load_program(0x000B);   // all CP bits programmed
    h.command(8);
    EXPECT_EQ(chip().config_word(), 0x3FFF);   // not before the cycle has run
    h.wait_ms(10);
    h.enter();
    EXPECT_EQ(h.read_program(), 0x0000);
    EXPECT_EQ(h.read_data(), 0x22);            // the 16F84A has no data protection
    h.load_config(0x3FFF);
    h.increment();
    EXPECT_EQ(h.read_program(), 0x0333);       // IDs stay readable
    h.increment(6);
    EXPECT_EQ(h.read_program(), 0x000B);       // and so does the configuration word
    EXPECT_EQ(chip().program_word(0), 0x1111); // the cell itself is intact
}

TEST_F(SimTest, ProtectedLocationsCannotBeProgrammedOrBulkErased) {
    open_with_pic(0);
    chip().set_program_word(4, 0x0004);
    chip().set_config_word(0x000B);
    auto& h = icsp();
    h.enter();
    h.increment(4);
    h.program_word(0x3000);
    h.load_program(0x3FFF);
    h.command(9);
    h.wait_ms(10);
    EXPECT_EQ(chip().program_word(4), 0x0004);
    // Rewriting the configuration word cannot give the protection back.
    h.enter();
    write_config(h, 0x3FFF);
    EXPECT_EQ(chip().config_word(), 0x000B);
}

TEST_F(SimTest, CodeProtectionRemovalErasesEverything) {
    open_with_pic(3);
    chip().set_program_word(0x100, 0x0000);
    chip().set_data_byte(3, 0x00);
    chip().set_id_word(3, 0x0001);
    chip().set_config_word(0x0E42);   // CP all, CPD on
    auto& h = icsp();
    h.enter();
    h.command(0);
    h.send(0x3FFF);
    h.increment(7);
    h.erase_sequence();
    EXPECT_EQ(chip().program_word(0x100), 0x3FFF);
    EXPECT_EQ(chip().data_byte(3), 0xFF);
    EXPECT_EQ(chip().id_word(3), 0x3FFF);
    EXPECT_EQ(chip().config_word(), 0x3FFF);
    EXPECT_EQ(bench().counters().timing_violations, 0u);
}

TEST_F(SimTest, RemovalSequenceAtAnotherConfigAddressDoesNothing) {
    open_with_pic(3);
    chip().set_config_word(0x0E42);
    chip().set_program_word(0, 0);
    auto& h = icsp();
    h.enter();
    h.load_config(0x3FFF);
    h.increment(6);   // 0x2006, one short
    h.command(1);
    h.command(7);
    h.command(8);
    h.wait_ms(10);
    EXPECT_EQ(chip().config_word(), 0x0E42);
    EXPECT_EQ(chip().program_word(0), 0);
}

TEST_F(SimTest, PartialProtectionOf16F877CoversTheTopBlock) {
    open_with_pic(3);
    chip().set_program_word(0x1EFF, 0x0001);
    chip().set_program_word(0x1F00, 0x0002);
    chip().set_config_word(0x3FFF & ~0x1010);   // CP1:CP0 = 10 in both copies
    auto& h = icsp();
    h.enter();
    h.increment(0x1EFF);
    EXPECT_EQ(h.read_program(), 0x0001);
    h.increment();
    EXPECT_EQ(h.read_program(), 0x0000);
}

TEST_F(SimTest, DataProtectionOf16F628ReadsZeroAndBlocksWrites) {
    open_with_pic(1);
    chip().set_data_byte(0, 0x5A);
    chip().set_config_word(0x3FFF & ~0x0100);   // CPD
    auto& h = icsp();
    h.enter();
    EXPECT_EQ(h.read_data(), 0x00);
    h.program_data(0x11, 14);
    EXPECT_EQ(chip().data_byte(0), 0x5A);
    EXPECT_EQ(h.read_program(), 0x3FFF);   // program memory is not protected
}

TEST(Pic16Protection, ConfigurationWordDecoding) {
    const Pic16Model& f628 = *pic16_model(1);
    EXPECT_FALSE(decode_protection(f628, 0x3FFF).any());
    auto p = decode_protection(f628, 0x3FFF & ~0x2800);   // pairs 01: from 0x200
    EXPECT_EQ(p.code_from, 0x200u);
    EXPECT_EQ(p.code_to, 2048u);
    p = decode_protection(f628, 0x3FFF & ~0x1400);        // pairs 10: from 0x400
    EXPECT_EQ(p.code_from, 0x400u);
    const Pic16Model& f876 = *pic16_model(2);
    p = decode_protection(f876, 0x3FFF & ~0x2020);        // 01: upper half
    EXPECT_EQ(p.code_from, 0x1000u);
    EXPECT_TRUE(decode_protection(f876, protected_config(f876, 0x3FFF)).code(0));
    EXPECT_TRUE(decode_protection(*pic16_model(0), 0x3FEF).code(0));
}

} // namespace korvane::sim::test
