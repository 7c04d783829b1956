// The PCX reader: 8 bits a pixel, one plane, run-length coded; nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/erreur.hpp"
#include "tav.hpp"

namespace picfit {

// The reader's error codes in picfit's table.
enum PcxError : int {
    kMemory = 4,
    kCannotOpenSource = 5,
    kEmptySource = 6,
    kBadFormat = 7,
    kBadSize = 8,
};

inline constexpr std::size_t kPcxHeaderSize = 128;

// Largest picture of a mode; its width must also be a multiple of the mode's pixel
// group, so that no group spans two rows.
struct SizeLimits {
    int widest;
    int highest;
    int multiple;
};

constexpr SizeLimits size_limits(int color) {
    return color != kTwoColour ? SizeLimits{320, 250, 8} : SizeLimits{640, 250, 16};
}

// Left in the working directory after every successful read: the decoded pixels,
// nothing before or after, for looking at the picture as the converter saw it.
inline constexpr const char* kDumpName = "truc.raw";

// Checks a whole PCX file held in memory and decodes its pixels into a record for the
// mode `color`; nothing after reporting the error.
std::optional<header_TAV> decode_pcx(std::span<const std::uint8_t> file, int color,
                                     fit::Reporter& report);

// Reads the whole file `filename`, decodes it and writes the decoded pixels to `dump`
// (a dump that cannot be written is skipped).
std::optional<header_TAV> read_pcx(const std::string& filename, int color, fit::Reporter& report,
                                   const std::string& dump = kDumpName);

}  // namespace picfit
