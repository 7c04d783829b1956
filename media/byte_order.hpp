// 16- and 32-bit numbers in files, named by their byte order; each format says beside its
// fields which order it uses.
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

// 32-bit numbers, the same two ways.
constexpr std::uint32_t high_byte_first32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{high_byte_first(bytes, at)} << 16 | high_byte_first(bytes, at + 2);
}

constexpr std::uint32_t low_byte_first32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return low_byte_first(bytes, at) | std::uint32_t{low_byte_first(bytes, at + 2)} << 16;
}

}  // namespace media
