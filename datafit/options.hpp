// datafit's settings and its option parser.
#pragma once

#include <optional>
#include <string>

#include "common/options.hpp"
#include "media/cassette_name.hpp"
#include "messages.hpp"

namespace datafit {

// The types the code names: each its row's place in kTargetTypes (types.hpp). A type
// the code never names needs no enumerator.
enum Type : int { kNone = 0, kDOS = 1, kK7 = 2, kTASM = 3 };

// A byte count as -H or -r gave it: strtol's whole reading, kept unchecked here so
// that the converters can refuse what is negative or too large instead of wrapping it.
struct SizeOption {
    long value = 0;
    bool overflow = false;  // strtol reported ERANGE

    // The size, or nothing when it is negative or does not fit an int.
    [[nodiscard]] std::optional<int> size() const;

    bool operator==(const SizeOption&) const = default;
};

// What the option parser fills in and the converters read.
struct State : fit::CommonSettings {
    int type_number = kNone;
    SizeOption headerSize;  // bytes of header at the start of the source, 0 for none
    SizeOption recordSize;  // bytes per record or block after it, 0 for one piece
    media::K7Name K7Name = media::kBlankK7Name;

    bool operator==(const State&) const = default;
};

// -H and -r: the argument after its first character, read as strtol reads base 16.
SizeOption read_size(const char* argument);

// fit::kGoOn when the run may go on, fit::kRefused when the program must exit with
// status 1, fit::kAnswered after --help or --version (exit status 0).
int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report);

// The options as the parser reads them, for the bash completion.
fit::OptionTable option_table();

// The command line's names and tables, for the banner (see fit::print_banner).
const fit::CommandLine& command_line();

}  // namespace datafit
