// The TAV encoders: one run-length scheme over fixed pixel groups, in colour (three
// bits a pixel, groups of 8) and in two colours (one bit a pixel, groups of 16); the
// stream is described in media/tav_picture.hpp.
#pragma once

#include <cstddef>

#include "tav.hpp"

namespace picfit {

// Both code the picture's pixels into the record's stream, set its size and mode
// fields and return the stream's length in bytes; 0 for an empty picture, or when
// the picture holds no whole number of groups or the stream buffer cannot be had
// (the record is then left as it was).
int encode_colour_tav(const Picture& picture, TavRecord& tav);
int encode_two_colour_tav(const Picture& picture, TavRecord& tav);

// The longest stream of `groups` pixel groups: all of them literal, with a marker for
// every 128. A 320 x 250 colour picture needs at most 30079 bytes, a 640 x 250
// two-colour picture 20079, so the length always fits the file's 16-bit field.
constexpr std::size_t stream_bound(std::size_t groups, std::size_t literal_bytes) {
    return groups * literal_bytes + (groups + 127) / 128;
}

}  // namespace picfit
