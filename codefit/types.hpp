// codefit's target types, the one place a type is written: what -t and --type accept,
// the load address a type brings when none was given, the converter that writes it,
// and what the help, the bash completion and the web page say of it. A row's place,
// from 1, is the number the run dispatches on; the first row is the type taken when
// none is given. A new type is its converter's declaration and its row.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/rows.hpp"
#include "converters.hpp"

namespace codefit {

// The converters, one a type: each reads the source in work.in_buffer and the
// settings, builds the whole target in work.out_buffer from its start and sets
// work.LengthOUT; it returns 0, or 1 after reporting a range error (ranges_hold), in
// which case it has written nothing.
int ExeConv(const State& state, fit::Work& work, fit::Reporter& report);
int DosConv(const State& state, fit::Work& work, fit::Reporter& report);
int RomConv(const State& state, fit::Work& work, fit::Reporter& report);
int K7Conv(const State& state, fit::Work& work, fit::Reporter& report);
int BasConv(const State& state, fit::Work& work, fit::Reporter& report);

using Converter = int (*)(const State&, fit::Work&, fit::Reporter&);

struct TargetType {
    std::string_view name;  // -t:EXE compares ":" and this, case-sensitively
    std::uint16_t default_reloc;
    Converter convert;
    std::string_view help;       // what the target is, in a few words
    std::string_view extension;  // of a target file's name, without the dot
};

inline constexpr auto kTargetTypes = std::to_array<TargetType>({
    {"EXE", 0x1000, ExeConv, "executable disk file", "exe"},
    {"DOS", 0x1000, DosConv, "tagged-object module in a disk file", "obj"},
    {"ROM", 0x1000, RomConv, "cartridge ROM image", "rom"},
    {"K7", 0xC300, K7Conv, "cassette image, optionally with a BASIC loader", "k7"},
    {"BAS", 0xC380, BasConv, "BASIC program that pokes the code into memory", "bas"},
});

// The types the code names.
static_assert(fit::number_named(kTargetTypes, "EXE") == kEXE &&
              fit::number_named(kTargetTypes, "DOS") == kDOS &&
              fit::number_named(kTargetTypes, "ROM") == kROM &&
              fit::number_named(kTargetTypes, "K7") == kK7 &&
              fit::number_named(kTargetTypes, "BAS") == kBAS);

// The row of a type_number, or none.
constexpr const TargetType* target_type(int type_number) {
    return fit::numbered_row(kTargetTypes, type_number);
}

}  // namespace codefit
