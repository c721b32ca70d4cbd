#pragma once
// What the fake chips share: the port they sit behind, the data line as the host drives it (or
// the chip, while it answers) and the transactions recorded as tokens.
#include <string>
#include <vector>

#include "pic/programmer_lines.h"

namespace korvane::test {

class FakeChipLines : public IProgrammerLines {
public:
    bool present = true;
    bool open_ok = true;
    int opens = 0;
    bool open = false;
    bool record = false;   // when on, `tokens` gets the transactions in order
    std::vector<std::string> tokens;

    bool open_port(const std::string&) override {
        ++opens;
        open = open_ok;
        return open_ok;
    }
    void close_port() override { open = false; }
    void data_high() override { dtr_ = true; }
    void data_low() override { dtr_ = false; }
    bool read_data_in() override { return driving_ ? drive_ : dtr_; }
    void wait_us(unsigned) override {}

    // `count` tokens from `from` on, separated by spaces.
    std::string recorded(std::size_t from = 0, std::size_t count = std::string::npos) const {
        std::string s;
        for (std::size_t i = from; i < tokens.size() && i - from < count; ++i) s += (i > from ? " " : "") + tokens[i];
        return s;
    }

protected:
    void note(const std::string& token) {
        if (record) tokens.push_back(token);
    }
    bool dtr_ = false, clock_ = false, drive_ = false, driving_ = false;
};

} // namespace korvane::test
