// The JPEG decoder compiled twice, with and without its SIMD paths, to compare.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace fit_test {

// RGB pixels; empty when the file is refused.
std::vector<std::uint8_t> decode_jpeg_simd(std::span<const std::uint8_t> file, int& width, int& height);
std::vector<std::uint8_t> decode_jpeg_plain(std::span<const std::uint8_t> file, int& width, int& height);

}  // namespace fit_test
