// The TAV picture (layout in media/tav_picture.hpp).
#pragma once

#include "finding.hpp"

namespace fitinfo {

// Decodes a stream into width_groups × rows groups of 8 (colour) or 16 (two-colour)
// pixels. `base` is the stream's offset in the file, for the error offsets.
media::Checked<Picture> decode_tav_stream(std::span<const std::uint8_t> stream, bool colour,
                                          std::size_t width_groups, std::size_t rows,
                                          std::size_t base);

// Starts with the magic and the version (one byte may be wrong).
std::size_t tav_signature_differences(std::span<const std::uint8_t> file);

media::Checked<TavFile> read_tav(std::span<const std::uint8_t> file);
Finding describe(TavFile tav);

}  // namespace fitinfo
