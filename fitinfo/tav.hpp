// The TAV picture: a 10-byte header (magic "TAV", version, width in pixel groups,
// height, stream length high byte first, mode, a reserved byte) and the run-length
// coded stream of pixel groups.
#pragma once

#include "finding.hpp"

namespace fitinfo {

inline constexpr std::size_t kTavHeaderSize = 10;
inline constexpr std::size_t kTavWidestGroups = 40;
inline constexpr std::size_t kTavHighest = 250;

// Decodes a stream into width_groups × rows groups of 8 (colour) or 16 (two-colour)
// pixels. `base` is the stream's offset in the file, for the error offsets.
media::Checked<Picture> decode_tav_stream(std::span<const std::uint8_t> stream, bool colour,
                                          std::size_t width_groups, std::size_t rows,
                                          std::size_t base);

// Starts with the magic and the version (one byte may be wrong).
std::size_t tav_signature_differences(std::span<const std::uint8_t> file);

Checked read_tav(std::span<const std::uint8_t> file);

}  // namespace fitinfo
