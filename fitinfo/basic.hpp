// The BASIC DATA loader program.
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kBasic = "BASIC DATA loader program"; }

media::Checked<BasicProgram> read_basic(std::span<const std::uint8_t> text);
Finding describe(BasicProgram program);

}  // namespace fitinfo
