// The assembler listing of ".byte" directives.
#pragma once

#include "finding.hpp"

namespace fitinfo {

media::Checked<Listing> read_listing(std::span<const std::uint8_t> text);
Finding describe(Listing listing);

}  // namespace fitinfo
