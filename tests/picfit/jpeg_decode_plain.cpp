// The picture library's JPEG decoder with its plain paths only, as the web module has
// it (see jpeg_decode_simd.cpp).
#include "jpeg_decode.hpp"

#define STBI_NO_SIMD
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#ifdef STBI_SSE2
#error "the SSE2 paths are compiled in the plain decoder"
#endif

namespace fit_test {

std::vector<std::uint8_t> decode_jpeg_plain(std::span<const std::uint8_t> file, int& width, int& height) {
    int channels = 0;
    stbi_uc* p = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 3);
    if (p == nullptr) return {};
    std::vector<std::uint8_t> pixels(p, p + static_cast<std::size_t>(width) * height * 3);
    stbi_image_free(p);
    return pixels;
}

}  // namespace fit_test
