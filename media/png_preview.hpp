// The preview of a picture of the target machine as a PNG file, in its colours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace media {

// A decoded picture: one colour number a pixel, rows from the top, each from the left.
struct Picture {
    std::size_t width = 0;   // pixels
    std::size_t height = 0;  // rows
    bool colour = true;      // 0..7 a pixel (bit 2 blue, bit 1 green, bit 0 red); else 0 or 1
    std::vector<std::uint8_t> pixels;
};

using Rgb = std::array<std::uint8_t, 3>;

// Colour mode: bit 2 blue, bit 1 green, bit 0 red, each full on or off. Two colours:
// 0 black, 1 white.
Rgb rgb_of(std::uint8_t colour, bool colour_mode);

// The whole PNG file (8-bit RGB, no interlace); nothing when it cannot be made.
std::optional<std::vector<std::uint8_t>> png_preview(const Picture& picture);

}  // namespace media
