// The BASIC DATA loader program.
#pragma once

#include "finding.hpp"

namespace fitinfo {

media::Checked<BasicProgram> read_basic(std::span<const std::uint8_t> text);
Finding describe(BasicProgram program);

}  // namespace fitinfo
