#include "sim/sim_bench.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace korvane::sim {

namespace {
std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

void warn_once(const std::string& text) {
    static std::string last;
    if (text == last) return;
    last = text;
    std::fprintf(stderr, "%s\n", text.c_str());
}

std::unique_ptr<SocketChip> make_chip(TargetKind kind, int index, const SimFaults& faults, SimCounters& counters) {
    if (faults.empty) return nullptr;
    if (kind == TargetKind::Pic) {
        if (const Pic16Model* m = pic16_model(index)) return std::make_unique<Pic16Chip>(*m, faults, counters);
        if (const Pic18Model* m = pic18_model(index)) return std::make_unique<Pic18Chip>(*m, faults, counters);
    }
    if (kind == TargetKind::EEProm) {
        if (const Eeprom24Model* m = eeprom24_model(index))
            return std::make_unique<EepromSocketChip>(*m, faults, counters);
    }
    return nullptr;
}
} // namespace

SimBench& SimBench::instance() {
    static SimBench bench;
    return bench;
}

SimBench::SimBench() {
    board_.on_power_off = [this] { save_chip(); };
    reader_.set_card_maker(
        [this](int pic, int eeprom, std::uint32_t hz) { return make_card(pic, eeprom, hz); },
        [this](IsoCard& card, int pic, int eeprom, std::uint64_t now) { keep_card(card, pic, eeprom, now); });
    read_environment();
}

SimBench::~SimBench() {
    board_.on_power_off = nullptr;
    reader_.force_close();
    serial_.force_close();
    remove_chip();
}

void SimBench::read_environment() {
    const std::string clock = env("KORVANE_SIM_CLOCK");
    if (clock == "virtual") {
        virtual_clock_ = VirtualClock{};
        use_clock(virtual_clock_);
    } else {
        if (!clock.empty() && clock != "real")
            warn_once("KORVANE_SIM_CLOCK: \"" + clock + "\" is neither \"virtual\" nor \"real\"; using real time");
        use_clock(real_clock_);
    }
    faults_ = parse_faults_warn_once(env("KORVANE_SIM"));
    reader_.set_faults(faults_);
    store_ = ChipStore(default_state_dir());
}

void SimBench::use_clock(SimClock& c) {
    clock_ = &c;
    board_.set_clock(c);
    reader_.set_clock(c);
    pit_.set_clock(c);
    port_io_.set_clock(c);
}

void SimBench::reset_from_env() {
    // Unsaved memory is dropped: the new environment may name another state directory.
    board_.on_power_off = nullptr;
    reader_.restart();
    serial_.force_close();
    board_.insert(nullptr);
    board_.on_power_off = [this] { save_chip(); };
    kind_ = TargetKind::None;
    index_ = -1;
    counters_ = SimCounters{};
    board_.trace().disable();
    board_.trace().clear();
    read_environment();
}

I2cEeprom* SimBench::eeprom() {
    auto* socket = dynamic_cast<EepromSocketChip*>(chip());
    return socket ? &socket->eeprom() : nullptr;
}

SocketChip* SimBench::chip() {
    SocketChip* c = board_.chip();
    if (c) c->settle(clock_->now_ns());
    return c;
}

bool SimBench::save_chip() {
    SocketChip* c = chip();
    if (!c) return true;
    if (store_.save(c->image_file_name(), c->save_image())) return true;
    warn_once("korvane: cannot keep the simulated chip's memory in " + store_.dir().string());
    return false;
}

void SimBench::wipe_chip() {
    if (Pic16Chip* p = pic16()) {
        p->blank();
        store_.remove(p->image_file_name());
    } else if (Pic18Chip* p18 = pic18()) {
        p18->blank();
        store_.remove(p18->image_file_name());
    } else if (I2cEeprom* e = eeprom()) {
        e->blank();
        store_.remove(e->model().image_file);
    }
}

void SimBench::remove_chip() {
    if (!board_.chip()) return;
    save_chip();
    board_.insert(nullptr);
}

void SimBench::insert_selected() {
    auto chip = make_chip(kind_, index_, faults_, counters_);
    if (chip) {
        if (auto bytes = store_.load(chip->image_file_name())) chip->load_image(*bytes);
        if (faults_.protect) {
            if (auto* p = dynamic_cast<Pic16Chip*>(chip.get()))
                p->set_config_word(protected_config(p->model(), p->config_word()));
            if (auto* p18 = dynamic_cast<Pic18Chip*>(chip.get())) p18->protect();
        }
    }
    board_.insert(std::move(chip));
}

void SimBench::select_target(TargetKind kind, int index) {
    if (kind == kind_ && index == index_) return;
    remove_chip();
    kind_ = kind;
    index_ = index;
    insert_selected();
}

void SimBench::set_faults(const std::string& fault_list) {
    remove_chip();
    faults_ = parse_faults_warn_once(fault_list);
    reader_.set_faults(faults_);
    insert_selected();
}

} // namespace korvane::sim

namespace korvane::sim {

namespace {
// The state file of the PIC of a catalogue index, or "".
std::string pic_image_file(int pic_index) {
    if (const Pic16Model* m = pic16_model(pic_index)) return m->image_file;
    if (const Pic18Model* m = pic18_model(pic_index)) return m->image_file;
    return {};
}
} // namespace

// The card's PIC is the programmer's PIC of that type: what the socket holds goes to the state
// directory first, so a loader just written is what the card runs.
std::unique_ptr<IsoCard> SimBench::make_card(int pic_index, int eeprom_index, std::uint32_t clock_hz) {
    CardMemory memory;
    if (const std::string file = pic_image_file(pic_index); !file.empty()) {
        save_chip();
        memory.pic_image = store_.load(file);
    }
    if (const std::string file = card_eeprom_file(eeprom_index); !file.empty()) memory.eeprom_image = store_.load(file);
    return build_card(pic_index, eeprom_index, clock_hz, memory, faults_, counters_);
}

void SimBench::keep_card(IsoCard& card, int pic_index, int eeprom_index, std::uint64_t now_ns) {
    if (I2cEeprom* e = card.eeprom()) {
        e->settle(now_ns);
        if (!store_.save(card_eeprom_file(eeprom_index), e->memory()))
            warn_once("korvane: cannot keep the simulated card's EEPROM in " + store_.dir().string());
    }
    if (!card.core().data_eeprom_written()) return;
    const std::string file = pic_image_file(pic_index);
    if (file.empty()) return;
    save_chip();
    const auto image = store_.load(file);
    if (!image) return;
    const auto updated = with_data_eeprom(pic_index, *image, card.core().data_eeprom(), faults_, counters_);
    if (!updated) return;
    store_.save(file, *updated);
    // The same PIC may sit in the programmer's socket: it holds what the card wrote too.
    if (SocketChip* c = chip(); c && c->image_file_name() == file) c->load_image(*updated);
}

} // namespace korvane::sim
