// The whole way from a decoded true-colour picture to the picture that the PCX
// reader hands to the encoders: transparency laid over the background, the fit,
// and the mapping onto the mode's palette.
#pragma once

#include "colour_map.hpp"
#include "dither.hpp"
#include "tav.hpp"

namespace picfit {

struct PictureOptions {
    int mode = kColour;  // kColour or kTwoColour
    // Pictures that are exactly palette colours are never dithered, so this default
    // dithers exactly those pictures that have colours outside the palette.
    Dither dither = Dither::floyd_steinberg;
    Rgb background{0, 0, 0};
    bool fit = false;  // scale a picture the mode does not take as it is
};

enum class PictureStatus {
    ok,
    bad_size,  // the mode does not take the size, and fitting was not asked for
    memory,
};

// Fills `record` as the PCX reader does (size, mode, one palette index a pixel); it
// is left as it was unless the result is ok.
PictureStatus picture_record(const PixelView& picture, const PictureOptions& options,
                             Picture& record);

}  // namespace picfit
