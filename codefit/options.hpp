// codefit's settings and its option parser.
#pragma once

#include <cstdint>
#include <string>

#include "common/options.hpp"
#include "messages.hpp"

namespace codefit {

enum Type : int { kNone = 0, kEXE = 1, kDOS = 2, kROM = 3, kK7 = 4, kBAS = 5 };

// What the option parser fills in and the converters read.
struct State {
    int TypeDest = kNone;
    std::uint16_t RelocAdr = 0;  // load address on the target machine
    std::uint16_t BrAdr = 0;     // entry address
    fit::K7Name K7Name = fit::kBlankK7Name;
    int loaderk7 = 0;            // 0 no BASIC loader, else 1 or 2
    bool pagination = false;     // -p
    bool clearvdp = false;       // -c
    std::string source;
    std::string target;

    bool operator==(const State&) const = default;
};

// 0 when the run may go on, 1 when the program must exit with status 1.
int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report);

}  // namespace codefit
