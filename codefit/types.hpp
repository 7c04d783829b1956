// codefit's target types, the one place a type is written: what -t and --type accept,
// the number the run dispatches on, the load address a type brings when none was
// given, the converter that writes it, and what the help, the bash completion and the
// web page say of it. The first row is the type taken when none is given.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/rows.hpp"
#include "converters.hpp"

namespace codefit {

using Converter = int (*)(const State&, fit::Work&, fit::Reporter&);

struct TargetType {
    std::string_view name;  // -t:EXE compares ":" and this, case-sensitively
    int type_number;           // the row's place in the table, counted from 1
    std::uint16_t default_reloc;
    Converter convert;
    std::string_view help;       // what the target is, in a few words
    std::string_view extension;  // of a target file's name, without the dot
};

inline constexpr std::array<TargetType, 5> kTargetTypes{{
    {"EXE", kEXE, 0x1000, ExeConv, "executable disk file", "exe"},
    {"DOS", kDOS, 0x1000, DosConv, "tagged-object module in a disk file", "obj"},
    {"ROM", kROM, 0x1000, RomConv, "cartridge ROM image", "rom"},
    {"K7", kK7, 0xC300, K7Conv, "cassette image, optionally with a BASIC loader", "k7"},
    {"BAS", kBAS, 0xC380, BasConv, "BASIC program that pokes the code into memory", "bas"},
}};

static_assert(fit::numbered_in_order(kTargetTypes));

// The row of a type_number, or none.
constexpr const TargetType* target_type(int type_number) {
    return fit::numbered_row(kTargetTypes, type_number);
}

}  // namespace codefit
