// The BASIC DATA loader program.
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

namespace kind_name {  // in its summaries and fault lines
inline constexpr std::string_view kBasic = "BASIC DATA loader program";
}  // namespace kind_name

media::Checked<BasicProgram> read_basic(std::span<const std::uint8_t> text);
Finding describe(BasicProgram program);

}  // namespace fitinfo
