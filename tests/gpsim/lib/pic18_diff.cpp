#include "gpsim/lib/pic18_diff.h"

#include <algorithm>
#include <cstdio>

#include "sim/pic18_core.h"
#include "sim/pic18_model.h"

namespace korvane::gpsim {

namespace {

constexpr int kStackChecked = 5;   // the programs' depth stays within 0..4
constexpr unsigned kProgramsPerProcess = 25;

std::string hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

// The bits of a register left out of the comparison.
std::uint8_t excluded_bits(const std::string& name) {
    std::uint8_t bits = 0;
    for (const auto& e : pic18_exclusions())
        if (name == e.register_name) bits |= e.bits;
    return bits;
}

// Our core with the program, stopped like gpsim after the GOTO at 0 (two cycles).
struct Core {
    explicit Core(const Pic18Program& p) : model(*sim::pic18_model(kPic18CatalogueIndex)), memory(model), core(model, memory) {
        for (std::size_t k = 0; k < p.image.size(); ++k) {
            memory.program[2 * k] = std::uint8_t(p.image[k]);
            memory.program[2 * k + 1] = std::uint8_t(p.image[k] >> 8);
        }
        for (unsigned a = 0; a < memory.eeprom.size(); ++a) memory.eeprom[a] = pic18_eeprom_byte(a);
        memory.config[2] = std::uint8_t(kPic18Config2Word);
        memory.config[3] = std::uint8_t(kPic18Config2Word >> 8);
        core.reset();
        core.step();
    }
    std::uint64_t cycles() const { return core.cycles() - kStart; }
    // The same run as gpsim counts it: its TBLRD and TBLWT take one cycle, not two.
    std::uint64_t gpsim_cycles() const { return cycles() - table_instructions; }
    unsigned step() {
        const std::uint32_t at = core.pc();
        const unsigned op = at + 1 < memory.program.size() ? memory.program[at] | (memory.program[at + 1] << 8) : 0;
        const unsigned used = core.step();
        if ((op & 0xFFF8) == 0x0008 && used == 2) ++table_instructions;
        return used;
    }
    void run_for(std::uint64_t n) {
        while (core.cycles() < kStart + n) {
            const std::uint64_t at = gpsim_cycles();
            if (step() == 1 && last_length == 1) last_single = at;
            last_length = unsigned(gpsim_cycles() - at);
        }
    }
    std::uint64_t table_instructions = 0;
    // The start (in gpsim's count) of the last one-cycle instruction after another: where a
    // cycle break point halts gpsim cleanly (one inside a longer instruction loses gpsim a cycle).
    std::uint64_t last_single = 0;
    unsigned last_length = 0;
    static constexpr std::uint64_t kStart = 2;
    const sim::Pic18Model& model;
    sim::Pic18Memory memory;
    sim::Pic18Core core;
};

} // namespace

const std::vector<Pic18Exclusion>& pic18_exclusions() {
    static const std::vector<Pic18Exclusion> list = {
        {"PORTA", 0xFF, "pin levels: the board's, not the core's"},
        {"PORTB", 0xFF, "pin levels: the board's, not the core's"},
        {"PORTC", 0xFF, "pin levels: the board's, not the core's"},
        {"PORTD", 0xFF, "pin levels: the board's, not the core's"},
        {"PORTE", 0xFF, "pin levels: the board's, not the core's"},
        {"LATE", 0xF8, "gpsim keeps the bits 7..3 the data sheet leaves unimplemented (read as 0)"},
        {"STATUS", 0x08, "OV: gpsim sets it when the result's sign differs from W's, not on a signed overflow"},
        {"PCL", 0xFF, "gpsim's dump shows no PC low byte between instructions: the PC is compared"},
        {"INDF0", 0xFF, "not a register: an access through FSR0"},
        {"POSTINC0", 0xFF, "not a register: an access through FSR0"},
        {"POSTDEC0", 0xFF, "not a register: an access through FSR0"},
        {"PREINC0", 0xFF, "not a register: an access through FSR0"},
        {"PLUSW0", 0xFF, "not a register: an access through FSR0"},
        {"INDF1", 0xFF, "not a register: an access through FSR1"},
        {"POSTINC1", 0xFF, "not a register: an access through FSR1"},
        {"POSTDEC1", 0xFF, "not a register: an access through FSR1"},
        {"PREINC1", 0xFF, "not a register: an access through FSR1"},
        {"PLUSW1", 0xFF, "not a register: an access through FSR1"},
        {"INDF2", 0xFF, "not a register: an access through FSR2"},
        {"POSTINC2", 0xFF, "not a register: an access through FSR2"},
        {"POSTDEC2", 0xFF, "not a register: an access through FSR2"},
        {"PREINC2", 0xFF, "not a register: an access through FSR2"},
        {"PLUSW2", 0xFF, "not a register: an access through FSR2"},
    };
    return list;
}

Pic18Diff::Pic18Diff(const std::filesystem::path& work_dir) : work_dir_(work_dir) { restart(); }

void Pic18Diff::restart() {
    gpsim_.reset();
    const auto hex_file = work_dir_ / "p18f452_fixed.hex";
    write_program_hex(hex_file, pic18_fixed_image(), {{kPic18Config2, kPic18Config2Word}});
    gpsim_ = std::make_unique<GpsimProcess>(kPic18Processor, hex_file);
    fresh_ = true;
    // gpsim's data EEPROM starts as zeros; ours as erased cells: both get the same bytes.
    std::vector<std::string> lines;
    for (unsigned a = 0; a < 256; ++a)
        lines.push_back("eeData[" + std::to_string(a) + "] = " + std::to_string(pic18_eeprom_byte(a)));
    gpsim_->commands(lines);
}

void Pic18Diff::load_body(const Pic18Program& p) {
    std::vector<std::string> lines;
    lines.reserve(kPic18BodyWords + 2);
    for (unsigned i = 0; i < kPic18BodyWords; ++i) {
        const unsigned a = kPic18Body + 2 * i;
        lines.push_back("romData[" + std::to_string(a) + "] = " + std::to_string(p.image[a / 2]));
    }
    // gpsim's first step after a reset stops after one instruction and counts one cycle short:
    // both simulators start counting after the GOTO at 0.
    lines.push_back("reset");
    // After some programs gpsim's reset clears PR2, a TRIS register or RCON's RI, where the
    // data sheet's MCLR reset sets them: the first program of each gpsim compares the reset
    // values as gpsim starts them, the others get them put back.
    if (!fresh_)
        for (const char* r : {"pr2 = 0xff", "trisa = 0x7f", "trisb = 0xff", "trisc = 0xff", "trisd = 0xff", "trise = 0x07", "rcon = 0x1c"})
            lines.push_back(r);
    fresh_ = false;
    lines.push_back("step 1");
    gpsim_->commands(lines);
}

std::vector<std::string> Pic18Diff::run(const Pic18Program& p) {
    load_body(p);
    // One exchange: the run, the state, then the stack popped through a RETURN.
    // A cycle break point, not `step N`: gpsim's long steps overrun by up to a few hundred
    // cycles where single steps agree with ours. Both stop at the first instruction boundary
    // at or after the count.
    Core ours(p);
    ours.run_for(p.cycles);
    const std::uint64_t start = gpsim_->cycles();
    // A break point on a one-cycle instruction near the end (it halts after it), then single
    // steps to the boundary ours stopped at; gpsim steps a taken skip as a NOP of its own.
    gpsim_->command("break c " + std::to_string(start + ours.last_single));
    auto replies = gpsim_->run_then({"cycles"});
    std::uint64_t end = reply_cycles(replies[1]);
    // An instruction takes at most three cycles: a third of the cycles left in steps never
    // goes past the end (a program caught in a BRA $ has no one-cycle pair for thousands of
    // cycles).
    for (int batch = 0; end - start < ours.gpsim_cycles() && batch < 64; ++batch) {
        const std::uint64_t steps = std::max<std::uint64_t>(1, (ours.gpsim_cycles() - (end - start)) / 3);
        std::vector<std::string> lines(steps, "step 1");
        lines.push_back("cycles");
        end = reply_cycles(gpsim_->commands(lines).back());
    }
    const auto state = gpsim_->commands({"pc", "dump r"});
    const std::uint32_t their_pc = reply_value(state[0]);
    const std::vector<int> regs = parse_ram_dump(state[1]);
    // The live entries, popped through a RETURN (gpsim pops 0 from an empty stack and then
    // does not run on).
    const int their_depth = regs.size() > sim::sfr::STKPTR ? regs[sim::sfr::STKPTR] & 0x1F : 0;
    std::vector<std::string> pops;
    for (int k = 0; k < their_depth && k < kStackChecked; ++k) {
        pops.push_back("pc = " + std::to_string(kPic18DrainReturn));
        pops.push_back("step 1");
        pops.push_back("pc");
    }
    const auto popped = pops.empty() ? std::vector<std::string>{} : gpsim_->commands(pops);

    const sim::Pic18Core& c = ours.core;

    std::vector<std::string> out;
    auto differ = [&](const std::string& what, unsigned mine, unsigned theirs) {
        if (mine != theirs) out.push_back(what + ": ours " + hex(mine) + ", gpsim " + hex(theirs));
    };
    differ("PC", c.pc(), their_pc);
    differ("cycles (one per TBLRD/TBLWT less)", unsigned(ours.gpsim_cycles()), unsigned(end - start));
    for (unsigned a = 0; a < 0x1000; ++a) {
        const std::string name = pic18_register_name(std::uint16_t(a));
        const std::uint8_t left_out = excluded_bits(name);
        if (left_out == 0xFF) continue;
        const int theirs = a < regs.size() ? regs[a] : -1;
        const bool mine_there = c.implemented(std::uint16_t(a));
        if ((theirs >= 0) != mine_there) {
            out.push_back(name + ": " + (mine_there ? "a register in ours, none in gpsim" : "none in ours, a register in gpsim"));
            continue;
        }
        if (theirs >= 0) differ(name, c.peek(std::uint16_t(a)) & ~left_out & 0xFF, unsigned(theirs) & ~left_out & 0xFF);
    }
    const int depth = c.stack_pointer();
    for (int k = 0; k < depth && k < their_depth && k < kStackChecked; ++k) {
        // An entry the program wrote through TOS may be no return address at all (the run can
        // end inside the sequence that writes it): the TOS registers above compared it.
        const std::uint32_t entry = c.stack_entry(depth - k);
        if (entry >= kPic18CodeBytes || entry & 1) break;
        differ("stack[top-" + std::to_string(k) + "]", entry, reply_value(popped[2 + 3 * std::size_t(k)]));
    }
    // A gpsim that went astray (a break, a halt) would spoil the next programs: start afresh.
    // So does a long-lived one: its program writes slow down with every program it has run.
    // gpsim's reset does not wake it from SLEEP either.
    if (!out.empty() || c.sleeping() || ++programs_run_ % kProgramsPerProcess == 0) restart();
    return out;
}

std::string Pic18Diff::first_divergence(const Pic18Program& p) {
    load_body(p);
    Core ours(p);
    const std::uint64_t start = gpsim_->cycles();
    static const char* names[] = {"pc", "W", "status", "bsr", "fsr0l", "fsr1l", "fsr2l", "stkptr", "cycles"};
    static const std::uint16_t ours_at[] = {0, sim::sfr::WREG, sim::sfr::STATUS, sim::sfr::BSR,
                                            sim::sfr::FSR0L, sim::sfr::FSR1L, sim::sfr::FSR2L, sim::sfr::STKPTR, 0};
    constexpr int kNames = 9;
    bool armed = false;   // WREG, BSR and the FSRs are the part's own until the body sets them
    for (std::uint64_t done = 0; ours.cycles() < p.cycles && done < p.cycles; done += 64) {
        std::vector<std::string> lines;
        for (int i = 0; i < 64; ++i) {
            lines.push_back("step 1");
            for (const char* n : names) lines.push_back(n);
        }
        const auto replies = gpsim_->commands(lines);
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t at = ours.core.pc();
            const unsigned w_before = ours.core.w(), status_before = ours.core.status();
            const std::uint16_t op = p.image[(at / 2) % p.image.size()];
            ours.step();
            armed = armed || at >= kPic18Body + 12;   // after the three LFSRs
            std::string diff;
            for (int k = 0; k < kNames; ++k) {
                if (!armed && k > 0 && k < kNames - 1) continue;
                const std::string& r = replies[std::size_t(i * (kNames + 1) + 1 + k)];
                const std::uint64_t theirs = k == kNames - 1 ? reply_cycles(r) - start : reply_value(r);
                std::uint64_t mine = k == 0 ? ours.core.pc() : k == kNames - 1 ? ours.gpsim_cycles() : ours.core.peek(ours_at[k]);
                std::uint64_t theirs_cmp = theirs;
                if (k == 2) {   // STATUS without OV
                    mine &= ~0x08u;
                    theirs_cmp &= ~0x08u;
                }
                if (mine != theirs_cmp) diff += std::string(" ") + names[k] + " ours " + hex(unsigned(mine)) + " gpsim " + hex(unsigned(theirs));
            }
            if (!diff.empty()) {
                char buf[128];
                std::snprintf(buf, sizeof buf, "after the instruction 0x%04X at 0x%04X (W 0x%02X, STATUS 0x%02X before; cycle %llu):",
                              op, unsigned(at), w_before, status_before, static_cast<unsigned long long>(ours.cycles()));
                return buf + diff;
            }
        }
    }
    return "";
}

} // namespace korvane::gpsim
