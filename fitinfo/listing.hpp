// The assembler listing: an empty first line, then ".byte" directives of 16 items
// "$XX" each (fewer on the last), every line ended by CR LF.
#pragma once

#include "finding.hpp"

namespace fitinfo {

inline constexpr std::string_view kListingStart = "\r\n\t.byte ";

Checked read_listing(std::span<const std::uint8_t> text);

}  // namespace fitinfo
