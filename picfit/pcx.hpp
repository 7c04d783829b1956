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

// The whole file, however long: a noisy picture can take more than 64 KiB.
// More than any picture within the size limits can use: 640 x 250 pixels, each in a
// two-byte run, and the palette. What a longer file holds past it is never decoded, so
// it is not read (and /dev/zero is no endless source).
inline constexpr std::size_t kPcxReadLimit = 1 << 20;

// Checks a whole PCX file held in memory and decodes its pixels into a picture for
// `mode`; nothing after reporting the error.
std::optional<Picture> decode_pcx(std::span<const std::uint8_t> file, int mode,
                                  fit::Reporter& report);


}  // namespace picfit
