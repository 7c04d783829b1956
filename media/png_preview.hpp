// The preview of a TAV picture as a PNG file, in the target machine's colours.
#pragma once

#include <array>
#include <optional>

#include "finding.hpp"

namespace fitinfo {

using Rgb = std::array<std::uint8_t, 3>;

// Colour mode: bit 2 blue, bit 1 green, bit 0 red, each full on or off. Two colours:
// 0 black, 1 white.
Rgb rgb_of(std::uint8_t colour, bool colour_mode);

// The whole PNG file (8-bit RGB, no interlace); nothing when libpng fails.
std::optional<Bytes> png_preview(const Picture& picture);

}  // namespace fitinfo
