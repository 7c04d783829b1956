// codefit's settings and its option parser.
#pragma once

#include <cstdint>
#include <string>

#include "common/options.hpp"
#include "media/cassette_name.hpp"
#include "messages.hpp"

namespace codefit {

enum Type : int { kNone = 0, kEXE = 1, kDOS = 2, kROM = 3, kK7 = 4, kBAS = 5 };

// What the option parser fills in and the converters read.
struct State {
    int type_number = kNone;
    std::uint16_t load_address = 0;  // load address on the target machine
    std::uint16_t entry_address = 0;     // entry address
    media::K7Name K7Name = media::kBlankK7Name;
    int loaderk7 = 0;            // 0 no BASIC loader, else 1 or 2
    bool pagination = false;     // -p
    bool clearvdp = false;       // -c
    std::string source;
    std::string target;
    bool source_is_stdin = false;   // the source was named "-"
    bool target_is_stdout = false;  // the target was named "-"
    bool quiet = false;             // --quiet
    bool verbose = false;           // --verbose

    bool operator==(const State&) const = default;
};

// fit::kGoOn when the run may go on, fit::kRefused when the program must exit with
// status 1, fit::kAnswered after --help or --version (exit status 0).
int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report);

// The options as the parser reads them, for the bash completion.
fit::OptionTable option_table();

// A silent first look at the command line, for the banner (see fit::print_banner).
fit::Outline outline(int argc, char** argv);

}  // namespace codefit
