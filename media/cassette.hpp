// The cassette block layout: every block follows the 256-byte leader and carries the
// name last byte first, the marker 0x7A, its end and start addresses (low byte first),
// its data and an 8-bit checksum of the data written twice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "cassette_name.hpp"

namespace media {

inline constexpr std::size_t kLeaderSize = 256;
inline constexpr std::size_t kBlockOverhead = 11;  // name, marker, addresses, checksums
inline constexpr std::size_t kUnitOverhead = kLeaderSize + kBlockOverhead;  // 267
inline constexpr std::uint8_t kBlockMarker = 0x7A;
// Where the blocks of a data cassette load; code blocks carry the code's address.
inline constexpr int kDataBlockStart = 0x0000;
// The longest block: as many bytes as its 16-bit end and start fields can tell apart.
inline constexpr std::size_t kLongestBlock = 0x10000;

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
std::size_t append_unit(std::span<std::uint8_t> out, std::size_t p, const K7Name& name,
                        int start, std::span<const std::uint8_t> data);

// Appends at p the leader and a block stored whole (addresses, data and checksum
// included), with its first four bytes replaced by the reversed name.
std::size_t append_constant_block(std::span<std::uint8_t> out, std::size_t p,
                                  const K7Name& name, std::span<const std::uint8_t> block);

}  // namespace media

// Reading an image back: every unit's leader, marker, address fields and both
// checksum bytes are checked, and the first rule the image breaks is reported with
// its offset.
#include <vector>

#include "media/format_error.hpp"

namespace media {

// Offsets within a block (after its leader).
inline constexpr std::size_t kMarkerOffset = 4;
inline constexpr std::size_t kEndFieldOffset = 5;
inline constexpr std::size_t kStartFieldOffset = 7;
inline constexpr std::size_t kDataOffset = 9;

// The end field that a block of n bytes loaded at `start` carries (start + n - 1,
// so that an empty block at 0 gives 0x00FF).
std::uint16_t end_field(int start, std::size_t n);

struct BlockView {
    std::size_t offset = 0;      // of the unit, where its leader starts
    K7Name name{};               // in the order of K7Name: name[0] is block byte 3
    std::uint16_t end = 0;
    std::uint16_t start = 0;
    std::span<const std::uint8_t> data;
    std::uint8_t sum = 0;        // the checksum, stored twice

    [[nodiscard]] std::size_t block_offset() const { return offset + kLeaderSize; }
};

// Reads every unit of an image. The blocks view the bytes of `image`.
Checked<std::vector<BlockView>> read_cassette(std::span<const std::uint8_t> image);

}  // namespace media
