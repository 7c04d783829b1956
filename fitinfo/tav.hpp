// The TAV picture (layout in media/tav_picture.hpp).
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kTav = "TAV picture"; }

// Starts with the magic and the version (one byte may be wrong).
std::size_t tav_signature_differences(std::span<const std::uint8_t> file);

media::Checked<TavFile> read_tav(std::span<const std::uint8_t> file);
Finding describe(TavFile tav);

}  // namespace fitinfo
