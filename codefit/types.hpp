// codefit's target types: what -t and --type accept, the number the run dispatches on,
// the load address a type brings when none was given, and the converter that writes it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "converters.hpp"

namespace codefit {

using Converter = int (*)(const State&, fit::Work&, fit::Reporter&);

struct TargetType {
    std::string_view name;  // -t:EXE compares ":" and this, case-sensitively
    int TypeDest;
    std::uint16_t default_reloc;
    Converter convert;
};

inline constexpr std::array<TargetType, 5> kTargetTypes{{
    {"EXE", kEXE, 0x1000, ExeConv},
    {"DOS", kDOS, 0x1000, DosConv},
    {"ROM", kROM, 0x1000, RomConv},
    {"K7", kK7, 0xC300, K7Conv},
    {"BAS", kBAS, 0xC380, BasConv},
}};

}  // namespace codefit
