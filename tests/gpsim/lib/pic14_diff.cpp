#include "gpsim/lib/pic14_diff.h"

#include <cstdio>

#include "sim/card_core.h"

namespace korvane::gpsim {

using sim::Pic14Core;

namespace {

// The card's pins: nothing is connected, and the programs read no port.
class OpenPins final : public sim::ICorePins {
public:
    std::uint8_t read_port(int, std::uint64_t) override { return 0; }
    void drive_changed(int, std::uint8_t, std::uint8_t, std::uint64_t) override {}
};

std::string hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

bool excluded(const Pic14Target& t, const std::string& name) {
    for (const auto& e : pic14_exclusions())
        if ((e.part == "*" || e.part == t.name) &&
            (name == e.register_name || name.rfind(e.register_name + "@", 0) == 0))
            return true;
    return false;
}

struct Core {
    // Stopped, like gpsim, after the GOTO at 0 (two cycles).
    explicit Core(const Pic14Target& t, const Pic14Program& p) : core(t.part, pins, 4e6) {
        core.load(p.image, kPic14Config, {});
        core.run(1);
    }
    std::uint64_t cycles() const { return core.cycles() - kStart; }
    void run_for(std::uint64_t n) { core.run(kStart + n); }
    static constexpr std::uint64_t kStart = 2;
    OpenPins pins;
    Pic14Core core;
};

} // namespace

const std::vector<Pic14Exclusion>& pic14_exclusions() {
    static const std::vector<Pic14Exclusion> list = {
        {"*", "PORTA", "pin levels: the board's, not the core's"},
        {"*", "PORTB", "pin levels: the board's, not the core's"},
        {"*", "PORTC", "pin levels: the board's, not the core's"},
        {"*", "PORTD", "pin levels: the board's, not the core's"},
        {"*", "PORTE", "pin levels: the board's, not the core's"},
        {"*", "INDF", "not a register: gpsim's dump shows no value through FSR"},
    };
    return list;
}

Pic14Diff::Pic14Diff(const Pic14Target& target, const std::filesystem::path& work_dir) : target_(target) {
    const auto image = pic14_fixed_image(target, &body_);
    const auto hex_file = work_dir / (target.gpsim_processor + "_fixed.hex");
    write_program_hex(hex_file, image, {{0x400E, kPic14Config}});
    gpsim_ = std::make_unique<GpsimProcess>(target.gpsim_processor, hex_file);
}

void Pic14Diff::load_body(const Pic14Program& p) {
    std::vector<std::string> lines;
    lines.reserve(260);
    for (unsigned i = 0; i < 256; ++i) {
        const unsigned a = p.body + i;
        lines.push_back("romData[" + std::to_string(a) + "] = " + std::to_string(p.image[a]));
    }
    // gpsim's first step after a reset stops after one instruction and counts one cycle short:
    // both simulators start counting after the GOTO at 0.
    lines.push_back("reset");
    lines.push_back("step 1");
    gpsim_->commands(lines);
}

std::vector<std::string> Pic14Diff::run(const Pic14Program& p) {
    if (p.body != body_) throw GpsimError("the program's page is not the fixed image's");
    load_body(p);
    // One exchange: the run, the state, then the stack popped through a RETURN, eight times.
    std::vector<std::string> lines = {"cycles", "step " + std::to_string(p.cycles), "cycles", "pc", "W", "dump r"};
    for (int k = 0; k < 8; ++k) {
        lines.push_back("pc = " + std::to_string(kPic14DrainReturn));
        lines.push_back("step 1");
        lines.push_back("pc");
    }
    const auto replies = gpsim_->commands(lines);
    const std::uint64_t start = reply_cycles(replies[0]);
    const std::uint64_t end = reply_cycles(replies[2]);
    const std::uint32_t their_pc = reply_value(replies[3]);
    const std::uint32_t their_w = reply_value(replies[4]);

    const std::vector<int> regs = parse_ram_dump(replies[5]);

    Core ours(target_, p);
    ours.run_for(p.cycles);
    const Pic14Core& c = ours.core;

    std::vector<std::string> out;
    auto differ = [&](const std::string& what, unsigned mine, unsigned theirs) {
        if (mine != theirs) out.push_back(what + ": ours " + hex(mine) + ", gpsim " + hex(theirs));
    };
    differ("PC", c.pc(), their_pc);
    differ("W", c.w(), their_w);
    differ("cycles", unsigned(ours.cycles()), unsigned(end - start));
    const unsigned space = target_.part == sim::Pic14Part::F84A ? 0x100 : 0x200;
    for (unsigned a = 0; a < space; ++a) {
        const std::string name = pic14_register_name(target_, std::uint16_t(a));
        if (excluded(target_, name)) continue;
        const int theirs = a < regs.size() ? regs[a] : -1;
        const bool mine_there = c.implemented(std::uint16_t(a));
        if ((theirs >= 0) != mine_there) {
            out.push_back(name + ": " + (mine_there ? "a register in ours, none in gpsim" : "none in ours, a register in gpsim"));
            continue;
        }
        if (theirs >= 0) differ(name, c.peek(std::uint16_t(a)), unsigned(theirs));
    }
    // The programs never push a ninth time nor pop an empty stack: the stack pointer is the depth.
    for (unsigned k = 0; k < c.stack_pointer(); ++k) {
        const unsigned mine = c.stack_entry(c.stack_pointer() + 7 - k);
        differ("stack[top-" + std::to_string(k) + "]", mine, reply_value(replies[8 + 3 * k]));
    }
    return out;
}

std::string Pic14Diff::first_divergence(const Pic14Program& p) {
    load_body(p);
    Core ours(target_, p);
    const std::uint64_t start = gpsim_->cycles();
    static const char* names[] = {"pc", "W", "status", "fsr", "pclath", "intcon", "tmr0", "cycles"};
    std::uint16_t last_pc = 0;
    bool armed = false;
    for (std::uint64_t done = 0; ours.cycles() < p.cycles && done < p.cycles; done += 64) {
        std::vector<std::string> lines;
        for (int i = 0; i < 64; ++i) {
            lines.push_back("step 1");
            for (const char* n : names) lines.push_back(n);
        }
        const auto replies = gpsim_->commands(lines);
        for (int i = 0; i < 64; ++i) {
            last_pc = ours.core.pc();
            const std::uint16_t op = p.image[last_pc % p.image.size()];
            ours.core.run(ours.core.cycles() + 1);
            const Pic14Core& c = ours.core;
            const unsigned mine[] = {c.pc(), c.w(), c.status(), c.peek(4), c.peek(0x0A), c.peek(0x0B), c.peek(1),
                                     unsigned(ours.cycles())};
            // W and FSR are the part's own until the body sets them.
            armed = armed || last_pc >= p.body;
            std::string diff;
            for (int k = armed ? 0 : 7; k < 8; ++k) {
                const std::string& r = replies[std::size_t(i * 9 + 1 + k)];
                const std::uint64_t theirs = k == 7 ? reply_cycles(r) - start : reply_value(r);
                if (mine[k] != theirs) diff += std::string(" ") + names[k] + " ours " + hex(mine[k]) + " gpsim " + hex(unsigned(theirs));
            }
            if (!diff.empty()) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "after the instruction 0x%04X at 0x%03X (cycle %llu):", op, last_pc,
                              static_cast<unsigned long long>(ours.cycles()));
                return buf + diff;
            }
        }
    }
    return "";
}

} // namespace korvane::gpsim
