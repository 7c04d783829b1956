#include "png_preview.hpp"

#include <png.h>

#include <csetjmp>
#include <new>

namespace fitinfo {

namespace {

struct Sink {
    Bytes bytes;
    bool failed = false;
};

void append(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    if (sink->failed) return;
    try {
        sink->bytes.insert(sink->bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        sink->failed = true;
    }
}

void no_flush(png_structp) {}
void no_warning(png_structp, png_const_charp) {}

// libpng reports its errors by a long jump back here, so nothing in this function
// may need a destructor.
bool write_png(png_structp png, png_infop info, const Picture& picture, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::size_t y = 0; y < picture.height; ++y) {
        for (std::size_t x = 0; x < picture.width; ++x) {
            const Rgb rgb = rgb_of(picture.pixels[y * picture.width + x], picture.colour);
            for (std::size_t c = 0; c < rgb.size(); ++c) row[3 * x + c] = rgb[c];
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

Rgb rgb_of(std::uint8_t colour, bool colour_mode) {
    if (!colour_mode) return (colour & 1) ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    const auto on = [&](int bit) { return static_cast<std::uint8_t>((colour >> bit) & 1 ? 255 : 0); };
    return {on(0), on(1), on(2)};
}

std::optional<Bytes> png_preview(const Picture& picture) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, no_warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    Sink sink;
    Bytes row(picture.width * 3);
    const bool written = info != nullptr && [&] {
        png_set_write_fn(png, &sink, append, no_flush);
        return write_png(png, info, picture, row.data());
    }();
    png_destroy_write_struct(&png, &info);
    if (!written || sink.failed) return std::nullopt;
    return std::move(sink.bytes);
}

}  // namespace fitinfo
