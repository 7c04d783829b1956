// The BASIC DATA loader program: line 100 holds the load address and the byte count,
// lines 110 on hold 16 byte values each in decimal, and the last line pokes them into
// memory and calls the code.
#pragma once

#include "finding.hpp"

namespace fitinfo {

inline constexpr std::string_view kBasicFirstLine = "100 DATA ";

Checked read_basic(std::span<const std::uint8_t> text);

}  // namespace fitinfo
