// Turning a picture in linear light into palette indices, with or without dithering.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "colour_map.hpp"

namespace picfit {

enum class Dither {
    none,             // each pixel to its nearest palette colour in Oklab
    floyd_steinberg,  // error diffusion, 4 neighbours (7, 3, 5, 1 sixteenths)
    atkinson,         // error diffusion, 6 neighbours an eighth each, 2 eighths dropped
    bayer4,           // ordered, a 4 x 4 threshold matrix
    bayer8,           // ordered, 8 x 8
};

// The choice by its name on the command line ("none", "floyd-steinberg", "atkinson",
// "bayer4", "bayer8"); nothing for any other name.
std::optional<Dither> dither_named(std::string_view name);
const char* dither_name(Dither dither);

// One palette index a pixel (0 to 7 in colour mode, 0 or 1 in two-colour mode), row
// after row. A picture whose every pixel is exactly a palette colour gets exactly
// those colours, whatever `dither` says: there is no error to spread.
//
// Error diffusion works in linear light, left to right on even rows and right to
// left on odd ones, and picks the palette colour nearest in linear light, where it
// spreads the error; in two-colour mode it spreads the error of the luminance.
// Ordered dithering lights each of red, green and blue (in two-colour mode the
// luminance) when its linear value reaches the matrix threshold, so that the share of
// pixels lit follows the light; each threshold lies midway, as the eye sees it,
// between the shares it divides.
std::vector<std::uint8_t> map_picture(const LinearPicture& picture, int mode, Dither dither);

}  // namespace picfit
