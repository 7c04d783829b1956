// 16-bit numbers in files, named by their byte order: the machine's formats put the
// high byte first, the PC's picture formats the low byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace media {

constexpr std::uint16_t high_byte_first(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

constexpr void put_high_byte_first(std::span<std::uint8_t> bytes, std::size_t at,
                                   std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

constexpr std::uint16_t low_byte_first(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace media
