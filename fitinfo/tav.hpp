// The TAV picture (layout in media/tav_picture.hpp).
#pragma once

#include "finding.hpp"

namespace fitinfo {

// Starts with the magic and the version (one byte may be wrong).
std::size_t tav_signature_differences(std::span<const std::uint8_t> file);

media::Checked<TavFile> read_tav(std::span<const std::uint8_t> file);
Finding describe(TavFile tav);

}  // namespace fitinfo
