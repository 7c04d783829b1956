#include "png_decode.hpp"

#include <climits>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace fit_test {

Bytes decode_png(const Bytes& png, std::size_t& width, std::size_t& height) {
    if (png.size() > INT_MAX) return {};
    int w = 0, h = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 3);
    if (rgb == nullptr) return {};
    width = static_cast<std::size_t>(w);
    height = static_cast<std::size_t>(h);
    Bytes out(rgb, rgb + width * height * 3);
    stbi_image_free(rgb);
    return out;
}

}  // namespace fit_test
