// The TAV encoders: one run-length scheme over fixed pixel groups, in colour (three
// bits a pixel, groups of 8) and in two colours (one bit a pixel, groups of 16).
//
// A stream is a sequence of items, each starting on a group boundary:
// - run byte (bit 7 clear): one colour over n whole groups, (n - 1) above the colour
//   bits (n up to 16 in colour, 64 in two colours);
// - literal marker 0x80 + (k - 1), then k literal groups (k up to 128), each group one
//   bit-plane byte per colour bit (blue, green, red), or in two colours one byte of
//   the even pixels and one of the odd; the group's first pixel is bit 7.
#pragma once

#include <cstddef>

#include "tav.hpp"

namespace picfit {

// Both replace the record's pixels by the stream and return its length in bytes;
// 0 for an empty picture, or when the record holds no whole number of groups or the
// stream buffer cannot be had (the record is then left as it was).
int encoder_COLOR_tav(header_TAV& tav);
int encoder_BW_tav(header_TAV& tav);

// The longest stream of `groups` pixel groups: all of them literal, with a marker for
// every 128. A 320 x 250 colour picture needs at most 30079 bytes, a 640 x 250
// two-colour picture 20079, so the length always fits the file's 16-bit field.
constexpr std::size_t stream_bound(std::size_t groups, std::size_t literal_bytes) {
    return groups * literal_bytes + (groups + 127) / 128;
}

}  // namespace picfit
