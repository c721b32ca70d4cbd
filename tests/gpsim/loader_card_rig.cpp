#include "gpsim/loader_card_rig.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <utility>

#include "buffers/pic_buffers.h"
#include "card/setup_loader.h"
#include "pic/pic_catalogue.h"

namespace korvane::gpsim {

namespace {

// The loader image as the program writes it into the card, as a hex gpsim loads; gives its
// program words.
std::vector<std::uint16_t> write_loader_hex(int device_index, const std::filesystem::path& file) {
    auto image = std::make_unique<PicImage>();
    load_loader_image(*image, device_index);
    const bool pic16 = is_pic16f(device_index);
    const std::uint16_t blank = pic16 ? 0x3FFF : 0xFFFF;
    std::size_t used = image->code.size();
    while (used > 0 && image->code[used - 1] == blank) --used;
    if (used == 0) throw GpsimError("the program has no loader image for device " + std::to_string(device_index));
    std::vector<HexWord> extra;
    if (pic16) {
        extra.push_back({0x400E, image->config[7]});
    } else {
        for (std::uint32_t k = 0; k < 7; ++k) extra.push_back({0x300000 + 2 * k, image->config[k]});
    }
    std::vector<std::uint16_t> code(image->code.begin(), image->code.begin() + long(used));
    write_program_hex(file, code, extra);
    return code;
}

// The instructions that set and clear SCL: the 16F's bsf/bcf PORTB,5; the 18F's bsf/bcf on
// LATC,3 or PORTC,3 in the access bank.
bool sets_scl(bool pic18, std::uint16_t w) { return pic18 ? (w == 0x868B || w == 0x8682) : w == 0x1686; }
bool clears_scl(bool pic18, std::uint16_t w) { return pic18 ? (w == 0x968B || w == 0x9682) : w == 0x1286; }

std::uint64_t cycle_count(const std::string& reply) {
    const auto x = reply.rfind("0x");
    if (x == std::string::npos) throw GpsimError("gpsim gave no cycle count: '" + reply + "'");
    return std::strtoull(reply.c_str() + x + 2, nullptr, 16);
}

bool even_parity(std::uint8_t b) {
    int ones = 0;
    for (int k = 0; k < 8; ++k) ones += (b >> k) & 1;
    return ones % 2 == 0;
}

} // namespace

LoaderCardRig::LoaderCardRig(const LoaderCardPart& part, double clock_hz, const std::filesystem::path& workdir,
                             std::optional<Eeprom24Geometry> eeprom, double write_us)
    : workdir_(workdir), pic18_(!is_pic16f(part.device_index)) {
    const auto hex = workdir_ / "loader.hex";
    const auto code = write_loader_hex(part.device_index, hex);
    gpsim_ = std::make_unique<GpsimProcess>(part.gpsim_name, hex);
    // The reader runs 9600 baud with the 3.579545 MHz clock, 16457 with 6.00 MHz (docs/iso_card.md).
    host_etu_ = clock_hz / 4 / (clock_hz < 5e6 ? 9600.0 : 16457.0);
    port_ = pic18_ ? "portc" : "portb";
    scl_bit_ = pic18_ ? 3 : 5;
    sda_bit_ = 4;
    const std::string sda_pin = pic18_ ? "portc4" : "portb4";
    char freq[32];
    std::snprintf(freq, sizeof freq, "%.0f", clock_hz);
    gpsim_->commands({
        std::string("frequency ") + freq,
        "module library libgpsim_modules",
        "module load pullup RIO",     // the reader's pull-up, and its driver
        "module load pullup RSDA",    // the card's SDA pull-up
        "module load FileRecorder REC",
        "REC.digital = true",
        "node io",
        "attach io portb7 RIO.pin REC.pin",
        "node sda",
        "attach sda " + sda_pin + " RSDA.pin",
        "REC.file = \"" + record_file(0) + "\"",
    });
    if (eeprom) {
        eeprom_.emplace(*eeprom, std::uint64_t(clock_hz / 4 * write_us * 1e-6));
        set_bus_breaks(code);
    }
}

void LoaderCardRig::set_bus_breaks(const std::vector<std::uint16_t>& code) {
    // gpsim's break addresses: the 16F's word address, the 18F's byte address.
    const std::uint32_t step = pic18_ ? 2 : 1;
    for (std::uint32_t i = 0; i < code.size(); ++i) {
        // Before a fall, to read SDA at the end of the high time and answer right after the
        // fall; after a rise, to read SDA as the clock goes high, which tells a START or STOP
        // from a bit, only where the chip says one may come (kvrise, below).
        if (clears_scl(pic18_, code[i])) bus_halt_[i * step] |= kBeforeFall;
        if (sets_scl(pic18_, code[i])) bus_halt_[(i + 1) * step] |= kAfterRise;
    }
    if (bus_halt_.empty()) throw GpsimError("the loader image has no instruction that drives SCL");
    // gpsim 0.31 halts on a conditional execution break point when its expression is FALSE
    // (docs/gpsim.md): "kvrise == 0" halts while kvrise is 1.
    std::vector<std::string> breaks = {"symbol kvrise=1"};
    for (const auto& [address, kind] : bus_halt_)
        breaks.push_back("break e " + std::to_string(address) + (kind == kAfterRise ? ", kvrise == 0" : ""));
    gpsim_->commands(breaks);
}

void LoaderCardRig::observe_bus(std::uint32_t pc, std::uint32_t port) {
    const bool scl = (port >> scl_bit_) & 1, sda = (port >> sda_bit_) & 1;
    const auto halt = bus_halt_.find(pc);
    const int kind = halt == bus_halt_.end() ? 0 : halt->second;
    bool low = eeprom_->update(now_, scl, sda);
    bool fall = false;
    if ((kind & kBeforeFall) && scl) {
        // The instruction here lowers SCL and leaves SDA: the chip answers after it.
        low = eeprom_->update(now_ + 1, false, sda);
        fall = true;
    }
    if (low != sda_low_) {
        if (fall && (pending_.empty() || pending_.front() != "step 1")) pending_.push_back("step 1");
        pending_.push_back(low ? "RSDA.voltage = 0" : "RSDA.voltage = 5");
        sda_low_ = low;
    }
    if (eeprom_->start_or_stop_may_come() != rise_armed_) {
        rise_armed_ = !rise_armed_;
        pending_.push_back(rise_armed_ ? "kvrise = 1" : "kvrise = 0");
    }
}

void LoaderCardRig::run_until(std::uint64_t cycle) {
    // A step left for the next run must not pass the cycle break point.
    if (!pending_.empty() && cycle <= now_ + 2) {
        auto lines = std::exchange(pending_, {});
        lines.push_back("cycles");
        now_ = cycle_count(gpsim_->commands(lines).back());
    }
    if (cycle <= now_) return;
    gpsim_->command("break c " + std::to_string(cycle));
    while (now_ < cycle) {
        if (!eeprom_) {
            now_ = cycle_count(gpsim_->run_then({"cycles"})[1]);
            continue;
        }
        // Each query costs gpsim about as much as the run: the break point's address and the
        // cycle come from the run's report where it has them.
        auto replies = gpsim_->run_then({port_}, std::exchange(pending_, {}));
        const std::string& report = replies[replies.size() - 2];
        std::uint32_t pc = ~0u;
        const auto at = report.find("Execution at");
        const auto x = at == std::string::npos ? at : report.find("(0x", at);
        const auto line = report.find("\n0x");   // the last instruction run: its cycle first
        if (report.find("cycle break") == std::string::npos && x != std::string::npos && line != std::string::npos) {
            pc = std::uint32_t(std::strtoul(report.c_str() + x + 3, nullptr, 16));
            now_ = std::strtoull(report.c_str() + line + 3, nullptr, 16) + 1;
        } else {
            const auto q = gpsim_->commands({"cycles", "pc"});
            now_ = cycle_count(q[0]);
            pc = reply_value(q[1]);
            // Halted by the cycle break point on an SCL instruction: step past it, so that its
            // own break point does not stop the next run there again.
            if (bus_halt_.count(pc)) pending_.push_back("step 1");
        }
        observe_bus(pc, reply_value(replies.back()));
    }
}

std::string LoaderCardRig::record_file(int n) const {
    const std::string name = (workdir_ / ("r" + std::to_string(n))).string();
    // gpsim's recorder cuts its file name after 19 characters.
    if (name.size() > 19) throw GpsimError("the recorder file name " + name + " is too long for gpsim");
    return name;
}

void LoaderCardRig::collect_line() {
    const std::string closed = record_file(record_);
    ++record_;
    gpsim_->command("REC.file = \"" + record_file(record_) + "\"");
    std::ifstream in(closed);
    if (!in) throw GpsimError("gpsim's recorder wrote no " + closed);
    // "cycle level" lines, each followed by "cycle voltage"; a voltage of exactly 0 reads as
    // level 0, which it is.
    std::uint64_t cycle = 0;
    std::string value;
    while (in >> cycle >> value) {
        if (value != "0" && value != "1") continue;
        const bool high = value == "1";
        if (line_.empty() ? !high : line_.back().second != high) line_.emplace_back(cycle, high);
    }
    in.close();
    std::filesystem::remove(closed);
}

std::vector<LineChar> LoaderCardRig::receive(std::size_t count, std::uint64_t since, std::uint64_t limit) {
    const std::uint64_t give_up = now_ + limit;
    const auto first_after = [this](double t) {   // the first change later than t
        return std::upper_bound(line_.begin(), line_.end(), t,
                                [](double v, const std::pair<std::uint64_t, bool>& e) { return v < double(e.first); });
    };
    const auto level_at = [&](double t) {
        const auto it = first_after(t);
        return it == line_.begin() ? true : std::prev(it)->second;
    };
    for (;;) {
        run_until(now_ + 4000);
        collect_line();
        std::vector<LineChar> chars;
        std::uint64_t after = since;
        for (auto it = first_after(double(since)); it != line_.end(); ++it) {
            const auto [c, high] = *it;
            if (high || c <= after) continue;
            LineChar ch;
            ch.start = c;
            for (int k = 0; k < 8; ++k)
                if (level_at(double(c) + kEtuCycles * (k + 1.5))) ch.value |= std::uint8_t(1 << k);
            ch.parity_even = even_parity(ch.value) == !level_at(double(c) + kEtuCycles * 9.5);
            for (auto e = it; e != line_.end() && double(e->first) < double(c) + kEtuCycles * 10.5; ++e)
                ch.edges.push_back(e->first);
            chars.push_back(ch);
            after = std::uint64_t(double(c) + kEtuCycles * 10.5);
        }
        // Done when the line has been quiet for two characters after the last one expected.
        if (chars.size() >= count && now_ > chars.back().start + 24 * kEtuCycles) return chars;
        if (now_ >= give_up) return chars;
    }
}

std::uint64_t LoaderCardRig::send(const std::vector<std::uint8_t>& bytes) {
    double t = double(now_) + 4 * host_etu_;
    bool level = true;
    for (const std::uint8_t b : bytes) {
        int bits[12] = {0};
        for (int k = 0; k < 8; ++k) bits[1 + k] = (b >> k) & 1;
        bits[9] = even_parity(b) ? 0 : 1;
        bits[10] = bits[11] = 1;
        for (int k = 0; k < 12; ++k) {
            if (bool(bits[k]) == level) continue;
            // A cycle break halts gpsim after the instruction at that cycle: the change lands
            // on the cycle or the one after.
            run_until(std::uint64_t(std::llround(t + k * host_etu_)) - 1);
            gpsim_->command(bits[k] ? "RIO.voltage = 5" : "RIO.voltage = 0");
            level = bits[k];
        }
        t += 12 * host_etu_;
    }
    return std::uint64_t(std::llround(t));
}

std::vector<std::uint8_t> LoaderCardRig::exchange(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    const std::uint64_t end = send(bytes);
    std::vector<std::uint8_t> out;
    for (const auto& ch : receive(count, end)) out.push_back(ch.value);
    return out;
}

} // namespace korvane::gpsim
