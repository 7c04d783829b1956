// The preview of a picture of the target machine as a PNG file, in its colours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tav_picture.hpp"

namespace media {

using Rgb = std::array<std::uint8_t, 3>;

// Colour mode: bit 2 blue, bit 1 green, bit 0 red, each full on or off. Two colours:
// 0 black, 1 white.
Rgb rgb_of(std::uint8_t colour, bool colour_mode);

// The whole PNG file (8-bit RGB, no interlace); nothing when it cannot be made.
std::optional<std::vector<std::uint8_t>> png_preview(const Picture& picture);

}  // namespace media
