// The PCX reader: 8 bits a pixel, one plane, run-length coded; nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "messages.hpp"
#include "tav.hpp"

namespace picfit {

inline constexpr std::size_t kPcxHeaderSize = 128;

// Largest picture of a mode; its width must also be a multiple of the mode's pixel
// group, so that no group spans two rows.
struct SizeLimits {
    int widest;
    int highest;
    int multiple;
};

constexpr SizeLimits size_limits(int color) {
    const media::tav::ModeFacts& mode = media::tav::mode_facts(color != kTwoColour);
    return {static_cast<int>(mode.widest()), static_cast<int>(media::tav::kHighest),
            static_cast<int>(mode.group)};
}

// Checks a whole PCX file held in memory and decodes its pixels into a picture for
// the mode `color`; nothing after reporting the error.
std::optional<Picture> decode_pcx(std::span<const std::uint8_t> file, int color,
                                  fit::Reporter& report);

// Reads the whole file `filename` and decodes it.
std::optional<Picture> read_pcx(const std::string& filename, int color, fit::Reporter& report);

}  // namespace picfit
