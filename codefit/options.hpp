// codefit's settings and its option parser.
#pragma once

#include <cstdint>
#include <string>

#include "common/options.hpp"
#include "media/cassette_name.hpp"
#include "messages.hpp"

namespace codefit {

// The types the code names: each its row's place in kTargetTypes (types.hpp). A type
// the code never names needs no enumerator.
enum Type : int { kNone = 0, kEXE = 1, kDOS = 2, kROM = 3, kK7 = 4, kBAS = 5 };

// What the option parser fills in and the converters read.
struct State : fit::CommonSettings {
    int type_number = kNone;
    std::uint16_t load_address = 0;  // load address on the target machine
    std::uint16_t entry_address = 0;     // entry address
    media::K7Name K7Name = media::kBlankK7Name;
    int loaderk7 = 0;            // 0 no BASIC loader, else 1 or 2
    bool pagination = false;     // -p
    bool clearvdp = false;       // -c

    bool operator==(const State&) const = default;
};

// fit::kGoOn when the run may go on, fit::kRefused when the program must exit with
// status 1, fit::kAnswered after --help or --version (exit status 0).
int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report);

// The options as the parser reads them, for the bash completion.
fit::OptionTable option_table();

// The command line's names and tables, for the banner (see fit::print_banner).
const fit::CommandLine& command_line();

}  // namespace codefit
