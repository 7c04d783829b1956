// The TAV picture file and the picture it holds: the facts that picfit's writer and
// fitinfo's reader both follow.
//
// A 10-byte header (magic "TAV", version 1, width in pixel groups, height in rows,
// stream length high byte first, mode, a reserved 0), then the run-length coded
// stream of pixel groups. A stream is a sequence of items, each starting on a group
// boundary:
// - run byte (bit 7 clear): one colour over n whole groups, (n - 1) above the colour
//   bits (n up to 16 in colour, 64 in two colours);
// - literal marker 0x80 + (k - 1), then k literal groups (k up to 128), each group one
//   bit-plane byte per colour bit (blue, green, red), or in two colours one byte of
//   the even pixels and one of the odd; the group's first pixel is bit 7.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "byte_order.hpp"
#include "format_error.hpp"

namespace media {

// A picture: one colour number a pixel, rows from the top, each from the left.
struct Picture {
    std::size_t width = 0;   // pixels
    std::size_t height = 0;  // rows
    bool colour = true;      // 0..7 a pixel (bit 2 blue, bit 1 green, bit 0 red); else 0 or 1
    std::vector<std::uint8_t> pixels;

    bool operator==(const Picture&) const = default;
};

namespace tav {

inline constexpr std::array<std::uint8_t, 4> kMagic{'T', 'A', 'V', 0x01};  // and the version
// Header offsets, each field after the one before; the length is high byte first.
inline constexpr std::size_t kWidthAt = kMagic.size();
inline constexpr std::size_t kHeightAt = kWidthAt + 1;
inline constexpr std::size_t kLengthAt = kHeightAt + 1;
inline constexpr std::size_t kModeAt = kLengthAt + 2;
inline constexpr std::size_t kReservedAt = kModeAt + 1;
inline constexpr std::size_t kHeaderSize = kReservedAt + 1;
static_assert(kHeaderSize == 10);

// The mode byte.
inline constexpr std::uint8_t kTwoColourMode = 0;
inline constexpr std::uint8_t kColourMode = 1;

using Header = std::array<std::uint8_t, kHeaderSize>;

// The header of a picture `width_groups` pixel groups wide and `rows` rows high whose
// stream is `length` bytes long.
constexpr Header make_header(std::uint8_t width_groups, std::uint8_t rows, std::uint16_t length,
                             std::uint8_t mode) {
    Header header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    header[kWidthAt] = width_groups;
    header[kHeightAt] = rows;
    put_high_byte_first(header, kLengthAt, length);
    header[kModeAt] = mode;
    header[kReservedAt] = 0;
    return header;
}

inline constexpr std::size_t kWidestGroups = 40;
inline constexpr std::size_t kHighest = 250;

inline constexpr std::uint8_t kLiteralMarker = 0x80;  // + (groups - 1)
inline constexpr std::size_t kLongestLiteral = 128;   // groups after one marker

// What sets the two modes apart.
struct ModeFacts {
    std::size_t group;          // pixels a group; a picture's width is a multiple of it
    std::size_t literal_bytes;  // bytes of a literal group
    unsigned count_shift;       // where a run byte's group count starts
    std::uint8_t colour_mask;   // a pixel's bits

    // The longest run a run byte tells, in groups.
    [[nodiscard]] constexpr std::size_t longest_run() const { return (0x7Fu >> count_shift) + 1; }
    [[nodiscard]] constexpr std::size_t widest() const { return kWidestGroups * group; }
};
inline constexpr ModeFacts kColour{8, 3, 3, 0x07};
inline constexpr ModeFacts kTwoColour{16, 2, 1, 0x01};

constexpr const ModeFacts& mode_facts(bool colour) { return colour ? kColour : kTwoColour; }

// Largest picture of `mode` (a mode byte); its width must also be a multiple of
// the mode's pixel group, so that no group spans two rows.
struct SizeLimits {
    int widest;
    int highest;
    int multiple;
};

constexpr SizeLimits size_limits(int mode) {
    const ModeFacts& facts = mode_facts(mode != kTwoColourMode);
    return {static_cast<int>(facts.widest()), static_cast<int>(kHighest), static_cast<int>(facts.group)};
}

// A coded stream decoded into its pixels, with how many run bytes and literal markers
// it holds.
struct DecodedStream {
    std::vector<std::uint8_t> pixels;
    std::size_t runs = 0;
    std::size_t literals = 0;
};

// Decodes a stream into `groups` pixel groups of the mode; `base` is the stream's offset
// in its file, for the offset of a fault.
Checked<DecodedStream> decode_stream(std::span<const std::uint8_t> stream, bool colour,
                                     std::size_t groups, std::size_t base);

}  // namespace tav

// The picture of a whole TAV file; nothing when the file is not one, or its stream
// does not fill the picture exactly.
std::optional<Picture> decode_tav(std::span<const std::uint8_t> file);

}  // namespace media
