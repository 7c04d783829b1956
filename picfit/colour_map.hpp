// From true colours to the machine's palette: pictures in linear light, each colour's
// place in Oklab, and the nearest palette colour there.
//
// The palettes: in colour mode index bit 0 is red, bit 1 green, bit 2 blue, each at
// full intensity (0 black, 1 red, 2 green, 3 yellow, 4 blue, 5 magenta, 6 cyan,
// 7 white); in two-colour mode 0 is black and 1 white.
//
// Everything here is integer arithmetic, tables included, so that a picture gives the
// same indices on every compiler and machine.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "picture_input.hpp"
#include "tav.hpp"

namespace picfit {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Linear light, 0 to 65535 a channel, red, green and blue a pixel, row after row.
struct LinearPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> rgb;
};

inline constexpr std::uint16_t kFull = 65535;

// An 8-bit sRGB channel in linear light.
std::uint16_t linear_of(std::uint8_t srgb);
// linear_of for every value, for loops over many pixels.
const std::array<std::uint16_t, 256>& linear_table();

// The picture in linear light, its transparent parts laid over `background` (alpha
// blended in linear light).
LinearPicture to_linear(const PixelView& picture, Rgb background);

// Row y of the picture in linear light, laid over `background` the same way, into
// picture.width x 3 values at `into`.
void linear_row(const PixelView& picture, int y, Rgb background, std::uint16_t* into);

// A picture of palette indices (a 256-colour PCX) in the colours its palette gives
// them: `palette` is 256 red, green, blue triples; `indices` width x height bytes.
RgbaPicture palette_picture(std::span<const std::uint8_t, 768> palette,
                            std::span<const std::uint8_t> indices, int width, int height);

// Palette colour `index` of the mode in linear light, one channel (0 red, 1 green,
// 2 blue): 0 or kFull.
constexpr std::uint16_t palette_channel(int mode, int index, int channel) {
    if (mode == kTwoColour) return index != 0 ? kFull : 0;
    return (index >> channel & 1) != 0 ? kFull : 0;
}

// Oklab, L from 0 (black) to 65535 (white), a and b on the same scale.
struct Lab {
    std::int32_t L = 0;
    std::int32_t a = 0;
    std::int32_t b = 0;
};
Lab oklab(std::uint16_t r, std::uint16_t g, std::uint16_t b);

// floor(65535 x cbrt(v / 65535)): light as the eye orders it, the scale of Oklab's L.
std::uint16_t cube_root(std::uint16_t v);

// The index of the palette colour nearest in Oklab to a linear colour; on a tie the
// lower index.
int nearest_index(int mode, std::uint16_t r, std::uint16_t g, std::uint16_t b);

// The index of the palette colour that the linear colour is exactly, if it is one.
std::optional<int> exact_index(int mode, std::uint16_t r, std::uint16_t g, std::uint16_t b);

// Whether every pixel is exactly a palette colour of the mode.
bool exact_palette(const LinearPicture& picture, int mode);

}  // namespace picfit
