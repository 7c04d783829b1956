// The cassette block layout: every block follows the 256-byte leader and carries the
// name last byte first, the marker 0x7A, its end and start addresses (low byte first),
// its data and an 8-bit checksum of the data written twice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/options.hpp"

namespace media {

inline constexpr std::size_t kLeaderSize = 256;
inline constexpr std::size_t kBlockOverhead = 11;  // name, marker, addresses, checksums
inline constexpr std::size_t kUnitOverhead = kLeaderSize + kBlockOverhead;  // 267
inline constexpr std::uint8_t kBlockMarker = 0x7A;

inline constexpr std::array<std::uint8_t, kLeaderSize> sync = [] {
    std::array<std::uint8_t, kLeaderSize> leader{};
    leader.fill(0x55);
    leader.back() = 0x70;
    return leader;
}();

// The unsigned 8-bit sum of the bytes.
std::uint8_t checksum(std::span<const std::uint8_t> data);

// Appends at p the leader and a block of `data` loaded at `start`; returns the
// position after it (p + data.size() + 267). The caller has checked that it fits.
std::size_t append_unit(std::span<std::uint8_t> out, std::size_t p, const fit::K7Name& name,
                        int start, std::span<const std::uint8_t> data);

// Appends at p the leader and a block stored whole (addresses, data and checksum
// included), with its first four bytes replaced by the reversed name.
std::size_t append_constant_block(std::span<std::uint8_t> out, std::size_t p,
                                  const fit::K7Name& name, std::span<const std::uint8_t> block);

}  // namespace media
