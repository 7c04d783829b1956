// What a cassette image holds: a code block (after the two BASIC loader blocks, or
// alone) loaded in one of the two address windows, or data blocks at 0 cut from one
// source.
#pragma once

#include <vector>

#include "finding.hpp"
#include "media/cassette.hpp"

namespace fitinfo {

// The loader blocks' addresses, by which a code image with a loader is known.
inline constexpr std::uint16_t kLoaderFirstStart = 0xC0CC;
inline constexpr std::uint16_t kLoaderSecondStart = 0x0FDD;

Checked read_cassette_image(const std::vector<media::BlockView>& blocks);

}  // namespace fitinfo
