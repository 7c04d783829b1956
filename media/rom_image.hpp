// The ROM cartridge image: the target addresses 0x0200 to 0x7FFF, the code at its
// load address, zeros elsewhere, and a four-byte trailer at 0x7FFC: the paged marker,
// 0x8C and the entry address, high byte first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/address_window.hpp"

namespace media {

inline constexpr std::size_t kRomSize = 0x7E00;  // 32256 bytes
inline constexpr int kRomBase = 0x0200;          // address of image offset 0
// Where the code may load and start; 0x7FFB, the last address below the trailer, is
// always 0x00, and the address just past the code must not pass it.
inline constexpr Window kRomCodeWindow{kRomBase, 0x7FFB};
inline constexpr std::size_t kRomTrailer = kRomSize - 4;  // offset of the paged marker
inline constexpr std::uint8_t kRomPaged = 0x55;           // -p
inline constexpr std::uint8_t kRomUnpaged = 0xAA;
inline constexpr std::uint8_t kRomSignature = 0x8C;

}  // namespace media
