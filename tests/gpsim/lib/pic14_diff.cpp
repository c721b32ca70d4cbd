#include "gpsim/lib/pic14_diff.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

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

// The bits of a register that are compared.
std::uint8_t compared_bits(const Pic14Target& t, const std::string& name) {
    std::uint8_t bits = 0xFF;
    for (const auto& e : pic14_exclusions())
        if ((e.part == "*" || e.part == t.name) &&
            (name == e.register_name || name.rfind(e.register_name + "@", 0) == 0))
            bits = std::uint8_t(bits & ~e.bits);
    return bits;
}

struct Core {
    // Stopped, like gpsim, after the GOTO at 0 (two cycles).
    explicit Core(const Pic14Target& t, const Pic14Program& p) : core(t.part, pins, 4e6) {
        core.load(p.image, kPic14Config, pic14_eeprom(t));
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
        {"*", "PORTA", 0xFF, "pin levels: the board's, not the core's"},
        {"*", "PORTB", 0xFF, "pin levels: the board's, not the core's"},
        {"*", "PORTC", 0xFF, "pin levels: the board's, not the core's"},
        {"*", "PORTD", 0xFF, "pin levels: the board's, not the core's"},
        {"*", "PORTE", 0xFF, "pin levels: the board's, not the core's"},
        {"*", "INDF", 0xFF, "not a register: gpsim's dump shows no value through FSR"},
        // gpsim's PORTB inputs float high through the pull-ups OPTION turns on; ours read 0.
        {"*", "INTCON", 0x03, "INTF and RBIF follow the RB0 and RB7:4 pin levels"},
        // Next to a TMR0 overflow, gpsim's T0IF depends on how many instructions a step runs.
        {"*", "INTCON", 0x04, "T0IF: gpsim sets it late at times, over a write of INTCON right after the overflow"},
        {"*", "PCL", 0xFF, "gpsim's dump shows it one ahead of the PC's low byte; the PC is compared"},
        {"*", "EECON2", 0xFF, "gpsim keeps what is written; the data sheet: not a physical register, reads 0"},
        {"16F628", "PCON", 0x08, "gpsim clears OSCF; the data sheet: 1 (4 MHz) after power-on"},
        {"16F877", "TRISA", 0xC0, "gpsim reads bit 6 as 1; the data sheet: bits 7-6 unimplemented, read as 0"},
        {"16F877", "EEDATH", 0xC0, "gpsim keeps bit 6; the data sheet: bits 7-6 unimplemented, read as 0"},
        {"16F877", "EEADRH", 0xE0, "gpsim keeps bit 7; the data sheet: bits 7-5 unimplemented, read as 0"},
        {"16F84A", "TRISA", 0xE0, "gpsim reads bits 7-5 as 1; the data sheet: unimplemented, read as 0"},
    };
    return list;
}

Pic14Diff::Pic14Diff(const Pic14Target& target, const std::filesystem::path& work_dir)
    : target_(target), hex_file_(work_dir / (target.gpsim_processor + "_fixed.hex")) {
    write_program_hex(hex_file_, pic14_fixed_image(target, &body_), {{0x400E, kPic14Config}});
    start_gpsim();
}

void Pic14Diff::start_gpsim() {
    restart_ = false;
    gpsim_.reset();
    gpsim_ = std::make_unique<GpsimProcess>(target_.gpsim_processor, hex_file_);
    // gpsim halts on an access to an unimplemented address; the part reads it as 0 and ignores
    // the write, and the programs reach such addresses on purpose.
    const std::string& cpu = target_.gpsim_processor;
    std::vector<std::string> lines = {cpu + ".BreakOnInvalidRegisterRead = false",
                                      cpu + ".BreakOnInvalidRegisterWrite = false"};
    const auto eeprom = pic14_eeprom(target_);
    for (std::size_t a = 0; a < eeprom.size(); ++a)
        lines.push_back(cpu + ".eeData[" + std::to_string(a) + "] = " + std::to_string(eeprom[a]));
    gpsim_->commands(lines);
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
    if (restart_) start_gpsim();
    Core ours(target_, p);
    ours.run_for(p.cycles);
    const Pic14Core& c = ours.core;

    // gpsim runs to the cycle our core stopped at, which may be one past the program's cycles.
    load_body(p);
    const std::uint64_t start = gpsim_->cycles();
    const std::uint64_t end = run_gpsim_until(start + ours.cycles());
    // One exchange: the state, then the stack popped through a RETURN, eight times.
    std::vector<std::string> lines = {"pc", "W", "dump r", "tmr0"};
    for (int k = 0; k < 8; ++k) {
        lines.push_back("pc = " + std::to_string(kPic14DrainReturn));
        lines.push_back("step 1");
        lines.push_back("pc");
    }
    const auto replies = gpsim_->commands(lines);
    const std::uint32_t their_pc = reply_value(replies[0]);
    const std::uint32_t their_w = reply_value(replies[1]);

    std::vector<int> regs = parse_ram_dump(replies[2]);
    // The dump shows TMR0 as last written; the symbol counts.
    for (std::size_t a = 1; a < regs.size(); a += 0x100)
        if (regs[a] >= 0) regs[a] = int(reply_value(replies[3]) & 0xFF);

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
        const std::uint8_t bits = compared_bits(target_, name);
        if (bits == 0) continue;
        const int theirs = a < regs.size() ? regs[a] : -1;
        const bool mine_there = c.implemented(std::uint16_t(a));
        if ((theirs >= 0) != mine_there) {
            out.push_back(name + ": " + (mine_there ? "a register in ours, none in gpsim" : "none in ours, a register in gpsim"));
            continue;
        }
        if (theirs >= 0) differ(name, c.peek(std::uint16_t(a)) & bits, unsigned(theirs) & bits);
    }
    // The programs never push a ninth time nor pop an empty stack: the stack pointer is the depth.
    for (unsigned k = 0; k < c.stack_pointer(); ++k) {
        const unsigned mine = c.stack_entry(c.stack_pointer() + 7 - k);
        differ("stack[top-" + std::to_string(k) + "]", mine, reply_value(replies[6 + 3 * k]));
    }
    // gpsim's reset does not wake it from SLEEP, and a differing run may leave it anywhere: the
    // next program gets a fresh gpsim.
    if (c.sleeping() || !out.empty()) start_gpsim();
    return out;
}

std::uint64_t Pic14Diff::run_gpsim_until(std::uint64_t until) {
    // gpsim's `step N` counts instructions. Half the cycles left, in instructions of at most two
    // cycles, cannot pass `until` before its last one: whole instructions while the count is
    // below it, as our core runs.
    std::uint64_t now = gpsim_->cycles();
    while (now < until) {
        const auto replies = gpsim_->commands({"step " + std::to_string((until - now + 1) / 2), "cycles"});
        const std::uint64_t next = reply_cycles(replies[1]);
        if (next == now) throw GpsimError("gpsim stopped at cycle " + std::to_string(now) + ": " + replies[0]);
        now = next;
    }
    return now;
}

std::string Pic14Diff::first_divergence(const Pic14Program& p) {
    restart_ = true;   // it leaves gpsim wherever the program went
    load_body(p);
    Core ours(target_, p);
    const std::uint64_t start = gpsim_->cycles();
    static const char* names[] = {"pc", "W", "status", "fsr", "pclath", "intcon", "tmr0", "cycles"};
    constexpr int kBatch = 64;
    bool armed = false;
    const std::uint8_t intcon_bits = compared_bits(target_, "INTCON");
    struct Step {
        std::uint16_t pc, op;
        unsigned mine[8];
    };
    while (ours.cycles() < p.cycles) {
        // Our core a batch ahead, then gpsim the same instructions in one exchange.
        std::vector<Step> steps;
        std::vector<std::string> lines;
        for (int i = 0; i < kBatch && ours.cycles() < p.cycles; ++i) {
            Step s{ours.core.pc(), p.image[ours.core.pc() % p.image.size()], {}};
            ours.core.run(ours.core.cycles() + 1);
            const Pic14Core& c = ours.core;
            const unsigned mine[] = {c.pc(), c.w(), c.status(), c.peek(4), c.peek(0x0A), c.peek(0x0B), c.peek(1),
                                     unsigned(ours.cycles())};
            std::copy(std::begin(mine), std::end(mine), s.mine);
            // A program memory read (BSF EECON1,RD with EEPGD) takes the two words after it
            // along in our step; gpsim steps them as instructions of their own.
            const bool program_read = s.op == 0x140C && c.pc() == ((s.pc + 3) & 0x1FFF);
            lines.push_back(program_read ? "step 3" : "step 1");
            for (const char* n : names) lines.push_back(n);
            steps.push_back(s);
        }
        const auto replies = gpsim_->commands(lines);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            // FSR is the part's own until the body's second word sets it.
            armed = armed || s.pc > p.body;
            std::string diff;
            for (int k = armed ? 0 : 7; k < 8; ++k) {
                const std::string& r = replies[i * 9 + 1 + std::size_t(k)];
                const std::uint64_t theirs = k == 7 ? reply_cycles(r) - start : reply_value(r);
                if (k == 5 && ((s.mine[k] ^ theirs) & intcon_bits) == 0) continue;
                if (s.mine[k] != theirs)
                    diff += std::string(" ") + names[k] + " ours " + hex(s.mine[k]) + " gpsim " + hex(unsigned(theirs));
            }
            if (!diff.empty()) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "after the instruction 0x%04X at 0x%03X (cycle %u):", s.op, s.pc,
                              s.mine[7]);
                return buf + diff;
            }
        }
    }
    return "";
}

} // namespace korvane::gpsim
