#include "png_preview.hpp"

#include <climits>

// The writer is compiled here, private to this file, so that any other user of the
// same header library keeps its own copy without a clash.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "common/allocation.hpp"

namespace media {

namespace {

struct Sink {
    std::vector<std::uint8_t> bytes;
    bool failed = false;
};

void append(void* context, void* data, int size) {
    auto* sink = static_cast<Sink*>(context);
    if (sink->failed || size < 0) return;
    const auto* from = static_cast<const std::uint8_t*>(data);
    if (!fit::try_allocate([&] { sink->bytes.insert(sink->bytes.end(), from, from + size); }))
        sink->failed = true;
}

}  // namespace

Rgb rgb_of(std::uint8_t colour, bool colour_mode) {
    if (!colour_mode) return (colour & 1) ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    const auto on = [&](int bit) { return static_cast<std::uint8_t>((colour >> bit) & 1 ? 255 : 0); };
    return {on(0), on(1), on(2)};
}

std::optional<std::vector<std::uint8_t>> png_preview(const Picture& picture) {
    // The writer counts in int; nothing the machine shows comes near.
    constexpr std::size_t kLargest = INT_MAX / 4;
    if (picture.width == 0 || picture.height == 0 || picture.width > kLargest ||
        picture.height > kLargest / picture.width || picture.pixels.size() < picture.width * picture.height)
        return std::nullopt;
    Sink sink;
    std::vector<std::uint8_t> rgb;
    if (!fit::try_allocate([&] { rgb.resize(picture.width * picture.height * 3); }))
        return std::nullopt;
    for (std::size_t i = 0; i < picture.width * picture.height; ++i) {
        const Rgb pixel = rgb_of(picture.pixels[i], picture.colour);
        for (std::size_t c = 0; c < pixel.size(); ++c) rgb[3 * i + c] = pixel[c];
    }
    const int width = static_cast<int>(picture.width);
    const int written = stbi_write_png_to_func(append, &sink, width, static_cast<int>(picture.height),
                                               3, rgb.data(), width * 3);
    if (written == 0 || sink.failed) return std::nullopt;
    return std::move(sink.bytes);
}

}  // namespace media
