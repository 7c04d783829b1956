// Fitting a picture to a mode: the largest size within the mode's limits with the
// aspect kept and a width of whole pixel groups, and scaling down by area averaging.
#pragma once

#include "colour_map.hpp"

namespace picfit {

// The sizes of a fitted picture: the record's size, and the part of it the scaled
// picture covers from its left edge (the rest is background). They differ only for a
// picture too narrow for one pixel group once scaled: its pixels are kept (or scaled
// to the highest row count) and it is widened to one group with the background.
struct FitPlan {
    int width = 0;
    int height = 0;
    int scaled_width = 0;
    int scaled_height = 0;
};

// Whether `mode` takes the size as it is: within the limits, and a width of
// whole pixel groups (8 pixels in colour mode, 16 in two-colour mode).
bool fits_mode(int width, int height, int mode);

// The plan for a picture of width x height (both 1 or more). A picture that fits is
// left as it is. Otherwise it is scaled by the largest factor (at most 1) that keeps
// it within the limits, its width is then rounded down to whole groups, and its
// height follows the rounded width: height x new width / width, rounded to nearest,
// at least 1 row and never above the limit.
FitPlan fit_plan(int width, int height, int mode);

// The picture in linear light fitted to the mode by its plan (transparent parts over
// `background`, as to_linear lays them), widened with `background` if the plan says so.
// It is scaled by area averaging in linear light: each new pixel is the mean of the
// area of the picture it covers, partly covered pixels weighed by their share, in exact
// integer arithmetic.
LinearPicture fit_picture(const PixelView& picture, int mode, Rgb background);

}  // namespace picfit
