// The ROM cartridge image: the target addresses 0x0200 to 0x7FFF, the code at its
// load address, zeros elsewhere, and a trailer at 0x7FFC (paged marker, 0x8C, entry
// address high byte first).
#pragma once

#include <optional>

#include "finding.hpp"

namespace fitinfo {

inline constexpr std::size_t kRomSize = 32256;
inline constexpr unsigned kRomBase = 0x0200;        // address of image offset 0
inline constexpr unsigned kRomCodeLimit = 0x7FFB;   // the code ends below it
inline constexpr std::size_t kRomTrailer = 32252;   // offset of the paged marker
inline constexpr std::uint8_t kRomPaged = 0x55;
inline constexpr std::uint8_t kRomUnpaged = 0xAA;
inline constexpr std::uint8_t kRomSignature = 0x8C;

// Of the right size; `exact` when the trailer's two marker bytes are right too.
bool looks_like_rom(std::span<const std::uint8_t> file, bool& exact);

// The code runs from `load` (when given, else from the first non-zero byte) for
// `size` bytes (when given, else to the last non-zero byte below the trailer): code
// that begins or ends with zero bytes needs them.
Checked read_rom(std::span<const std::uint8_t> file, std::optional<std::uint16_t> load,
                 std::optional<std::uint16_t> size);

}  // namespace fitinfo
