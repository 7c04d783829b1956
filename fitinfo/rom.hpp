// The ROM cartridge image: the code at its load address, zeros elsewhere, and the
// trailer.
#pragma once

#include <optional>
#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kRom = "ROM cartridge image"; }

// The code runs from `load` (when given, else from the first non-zero byte) for
// `size` bytes (when given, else to the last non-zero byte below the trailer): code
// that begins or ends with zero bytes needs them.
media::Checked<RomImage> read_rom(std::span<const std::uint8_t> file,
                                  std::optional<std::uint16_t> load,
                                  std::optional<std::uint16_t> size);
Finding describe(RomImage rom);

}  // namespace fitinfo
