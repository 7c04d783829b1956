// datafit's target types, the one place a type is written: what -t and --type accept,
// the number the run dispatches on, the converter that writes it, and what the help,
// the bash completion and the web page say of it. The first row is the type taken
// when none is given.
#pragma once

#include <array>
#include <string_view>

#include "common/rows.hpp"
#include "converters.hpp"

namespace datafit {

using Converter = int (*)(const State&, fit::Work&, fit::Reporter&);

struct TargetType {
    std::string_view name;  // -t:DOS compares ":" and this, case-sensitively
    int type_number;           // the row's place in the table, counted from 1
    Converter convert;
    std::string_view help;       // what the target is, in a few words
    std::string_view extension;  // of a target file's name, without the dot
};

inline constexpr std::array<TargetType, 3> kTargetTypes{{
    {"DOS", kDOS, DOSConv, "disk record file", "dsk"},
    {"K7", kK7, K7Conv, "cassette data file", "k7"},
    {"TASM", kTASM, TASMConv, "assembler listing of .byte lines", "asm"},
}};

static_assert(fit::numbered_in_order(kTargetTypes));

// The row of a type_number, or none.
constexpr const TargetType* target_type(int type_number) {
    return fit::numbered_row(kTargetTypes, type_number);
}

}  // namespace datafit
