#include "gpsim/loader_card_rig.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "buffers/pic_buffers.h"
#include "card/setup_loader.h"
#include "pic/pic_catalogue.h"

namespace korvane::gpsim {

namespace {

// The loader image as the program writes it into the card, as a hex gpsim loads.
void write_loader_hex(int device_index, const std::filesystem::path& file) {
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
    write_program_hex(file, std::vector<std::uint16_t>(image->code.begin(), image->code.begin() + long(used)), extra);
}

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

LoaderCardRig::LoaderCardRig(const LoaderCardPart& part, double clock_hz, const std::filesystem::path& workdir)
    : workdir_(workdir) {
    const bool pic18 = !is_pic16f(part.device_index);
    const auto hex = workdir_ / "loader.hex";
    write_loader_hex(part.device_index, hex);
    gpsim_ = std::make_unique<GpsimProcess>(part.gpsim_name, hex);
    // The reader runs 9600 baud with the 3.579545 MHz clock, 16457 with 6.00 MHz (docs/iso_card.md).
    host_etu_ = clock_hz / 4 / (clock_hz < 5e6 ? 9600.0 : 16457.0);
    const std::string sda_pin = pic18 ? "portc4" : "portb4";
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
}

void LoaderCardRig::run_until(std::uint64_t cycle) {
    if (cycle <= now_) return;
    gpsim_->command("break c " + std::to_string(cycle));
    while (now_ < cycle) {
        now_ = cycle_count(gpsim_->run_then({"cycles"})[1]);
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
