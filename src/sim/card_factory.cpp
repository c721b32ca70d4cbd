#include "sim/card_factory.h"

#include "sim/eeprom24_model.h"
#include "sim/pic14_core.h"
#include "sim/pic16_chip.h"
#include "sim/pic16_model.h"
#include "sim/pic18_card_core.h"
#include "sim/pic18_model.h"

namespace korvane::sim {

namespace {
constexpr std::uint64_t kPowerUpTimerNs = 72000000;   // PWRT, nominal
constexpr std::uint64_t kOscStartClocks = 1024;       // OST in the crystal modes
constexpr std::uint32_t kInternalOscHz = 4000000;     // the 16F628's INTRC (and ER, taken alike)
constexpr std::uint64_t kPllLockNs = 2000000;         // the 18F's HS-PLL

std::optional<Pic14Part> pic14_part(int pic_index) {
    switch (pic_index) {
    case 0: return Pic14Part::F84A;
    case 1: return Pic14Part::F628;
    case 2: return Pic14Part::F876;
    case 3: return Pic14Part::F877;
    default: return std::nullopt;
    }
}

// Power-up timer (PWRTE, bit 3, active low), MCLR pin and oscillator from a 16F configuration word.
CardStartup startup_16f(Pic14Part part, std::uint16_t config, std::uint32_t clock_hz) {
    CardStartup s;
    bool crystal = true;
    if (part == Pic14Part::F628) {
        const unsigned fosc = (config & 3) | ((config >> 2) & 4);
        s.mclr_pin = (config & 0x0020) != 0;
        if (fosc >= 4) s.internal_osc_hz = kInternalOscHz;   // INTRC and ER: CLK is not used
        crystal = fosc <= 2;
    } else {
        crystal = (config & 3) != 3;   // LP, XT, HS; RC takes CLK as it comes
    }
    if (!(config & 0x0008)) s.power_up_ns += kPowerUpTimerNs;
    if (crystal) s.power_up_ns += kOscStartClocks * 1000000000ull / clock_hz;
    return s;
}
// The 18F's CONFIG1H oscillator (FOSC2:0) and CONFIG2L PWRTEN (active low); MCLR is always a pin.
CardStartup startup_18f(const std::vector<std::uint8_t>* image, const Pic18Model& model, std::uint32_t clock_hz) {
    Pic18Memory memory(model);
    if (image) memory.load_image(*image);
    const unsigned fosc = memory.config[1] & 0x07;
    CardStartup s;
    const bool crystal = fosc <= 2 || fosc == 6;   // LP, XT, HS, HS-PLL
    if (fosc == 6) {
        s.pll = 4;
        s.power_up_ns += kPllLockNs;
    }
    if (!(memory.config[2] & 0x01)) s.power_up_ns += kPowerUpTimerNs;
    if (crystal) s.power_up_ns += kOscStartClocks * 1000000000ull / clock_hz;
    return s;
}

std::unique_ptr<IsoCard> build_card_18f(const Pic18Model& model, std::unique_ptr<I2cEeprom> eeprom,
                                        std::uint32_t clock_hz, const CardMemory& memory) {
    const std::vector<std::uint8_t>* image = memory.pic_image ? &*memory.pic_image : nullptr;
    auto card = std::make_unique<IsoCard>(k18FCardWiring, startup_18f(image, model, clock_hz), std::move(eeprom));
    card->attach_core(
        [&](ICorePins& pins, double instruction_hz) {
            return std::make_unique<Pic18CardCore>(model, image, pins, instruction_hz);
        },
        clock_hz);
    return card;
}

std::unique_ptr<I2cEeprom> card_eeprom(int eeprom_index, const CardMemory& memory, const SimFaults& faults,
                                       SimCounters& counters) {
    const Eeprom24Model* em = eeprom24_model(eeprom_index);
    if (!em || faults.empty) return nullptr;
    auto eeprom = std::make_unique<I2cEeprom>(*em, faults, &counters);
    if (memory.eeprom_image) eeprom->load_memory(*memory.eeprom_image);
    return eeprom;
}
} // namespace

std::string card_eeprom_file(int eeprom_index) {
    const Eeprom24Model* m = eeprom24_model(eeprom_index);
    return m ? std::string("card-") + m->image_file : std::string();
}

std::unique_ptr<IsoCard> build_card(int pic_index, int eeprom_index, std::uint32_t clock_hz, const CardMemory& memory,
                                    const SimFaults& faults, SimCounters& counters) {
    if (const Pic18Model* m18 = pic18_model(pic_index))
        return build_card_18f(*m18, card_eeprom(eeprom_index, memory, faults, counters), clock_hz, memory);
    const auto part = pic14_part(pic_index);
    const Pic16Model* model = pic16_model(pic_index);
    if (!part || !model) return nullptr;

    // The PIC's memory, read through the programmer's own chip model so both agree on the file.
    Pic16Chip chip(*model, SimFaults{}, counters);
    if (memory.pic_image) chip.load_image(*memory.pic_image);
    std::vector<std::uint16_t> program(model->code_words);
    for (std::uint32_t a = 0; a < model->code_words; ++a) program[a] = chip.program_word(a);
    std::vector<std::uint8_t> data(model->data_bytes);
    for (std::uint32_t a = 0; a < model->data_bytes; ++a) data[a] = chip.data_byte(a);
    const std::uint16_t config = chip.config_word();

    auto card = std::make_unique<IsoCard>(k16FCardWiring, startup_16f(*part, config, clock_hz),
                                          card_eeprom(eeprom_index, memory, faults, counters));
    card->attach_core(
        [&](ICorePins& pins, double instruction_hz) {
            auto core = std::make_unique<Pic14Core>(*part, pins, instruction_hz);
            core->load(program, config, data);
            return core;
        },
        clock_hz);
    return card;
}

std::optional<std::vector<std::uint8_t>> with_data_eeprom(int pic_index, const std::vector<std::uint8_t>& image,
                                                          const std::vector<std::uint8_t>& data, const SimFaults& faults,
                                                          SimCounters& counters) {
    if (const Pic18Model* m18 = pic18_model(pic_index)) {
        Pic18Memory part(*m18, faults);
        if (!part.load_image(image)) return std::nullopt;
        for (std::size_t a = 0; a < part.eeprom.size() && a < data.size(); ++a) part.eeprom[a] = data[a];
        return part.save_image();
    }
    const Pic16Model* model = pic16_model(pic_index);
    if (!model) return std::nullopt;
    Pic16Chip chip(*model, faults, counters);
    if (!chip.load_image(image)) return std::nullopt;
    for (std::uint32_t a = 0; a < model->data_bytes && a < data.size(); ++a) chip.set_data_byte(a, data[a]);
    return chip.save_image();
}

} // namespace korvane::sim
