// The assembler listing of ".byte" directives.
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kListing = "assembler listing"; }

media::Checked<Listing> read_listing(std::span<const std::uint8_t> text);
Finding describe(Listing listing);

}  // namespace fitinfo
