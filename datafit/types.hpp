// datafit's target types, the one place a type is written: what -t and --type accept,
// the converter that writes it, and what the help, the bash completion and the web
// page say of it. A row's place, from 1, is the number the run dispatches on; the
// first row is the type taken when none is given. A new type is its converter's
// declaration and its row.
#pragma once

#include <array>
#include <string_view>

#include "common/rows.hpp"
#include "converters.hpp"

namespace datafit {

// The converters, one a type: each reads the source in work.in_buffer and the
// settings, builds the whole target in work.out_buffer from its start and sets
// work.LengthOUT; it returns 0, or 1 after reporting why the source or the options
// cannot give a target, in which case it has written nothing.
int DOSConv(const State& state, fit::Work& work, fit::Reporter& report);
int K7Conv(const State& state, fit::Work& work, fit::Reporter& report);
int TASMConv(const State& state, fit::Work& work, fit::Reporter& report);

using Converter = int (*)(const State&, fit::Work&, fit::Reporter&);

struct TargetType {
    std::string_view name;  // -t:DOS compares ":" and this, case-sensitively
    Converter convert;
    std::string_view help;       // what the target is, in a few words
    std::string_view extension;  // of a target file's name, without the dot
};

inline constexpr auto kTargetTypes = std::to_array<TargetType>({
    {"DOS", DOSConv, "disk record file", "dsk"},
    {"K7", K7Conv, "cassette data file", "k7"},
    {"TASM", TASMConv, "assembler listing of .byte lines", "asm"},
});

// The types the code names.
static_assert(fit::number_named(kTargetTypes, "DOS") == kDOS &&
              fit::number_named(kTargetTypes, "K7") == kK7 &&
              fit::number_named(kTargetTypes, "TASM") == kTASM);

// The row of a type_number, or none.
constexpr const TargetType* target_type(int type_number) {
    return fit::numbered_row(kTargetTypes, type_number);
}

}  // namespace datafit
