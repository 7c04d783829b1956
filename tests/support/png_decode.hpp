// A PNG file read back as 8-bit RGB, by a decoder other than the writer's own code.
#pragma once

#include <cstddef>

#include "support/temp_dir.hpp"

namespace fit_test {

// Rows from the top, three bytes a pixel; empty when the file does not decode.
Bytes decode_png(const Bytes& png, std::size_t& width, std::size_t& height);

}  // namespace fit_test
