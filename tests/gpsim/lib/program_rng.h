#pragma once
// The random source of the program generators: a seed (and, for a redrawn program, an attempt)
// always gives the same program.
#include <cstdint>
#include <random>
#include <vector>

namespace korvane::gpsim {

class ProgramRng {
public:
    explicit ProgramRng(std::uint32_t seed) : gen_(seed) {}
    ProgramRng(std::uint32_t seed, std::uint32_t attempt) {
        std::seed_seq seq{seed, attempt};
        gen_.seed(seq);
    }
    unsigned below(unsigned n) { return unsigned(gen_() % n); }
    std::uint8_t byte() { return std::uint8_t(gen_()); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <class T> T pick(const std::vector<T>& v) { return v[below(unsigned(v.size()))]; }

private:
    std::mt19937 gen_;
};

} // namespace korvane::gpsim
