// The picture library's JPEG decoder as the Linux and Windows programs have it: with
// its SSE2 paths on x86. Its twin, jpeg_decode_plain.cpp, has the plain paths the web
// module has; the two must give the same pixels.
#include "jpeg_decode.hpp"

#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#if (defined(__x86_64__) || defined(_M_X64)) && !defined(STBI_SSE2)
#error "the SSE2 paths are not compiled: the comparison would prove nothing"
#endif

namespace fit_test {

std::vector<std::uint8_t> decode_jpeg_simd(std::span<const std::uint8_t> file, int& width, int& height) {
    int channels = 0;
    stbi_uc* p = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 3);
    if (p == nullptr) return {};
    std::vector<std::uint8_t> pixels(p, p + static_cast<std::size_t>(width) * height * 3);
    stbi_image_free(p);
    return pixels;
}

}  // namespace fit_test
