// True-colour sources through the picture chain: decoding the PNG or JPEG, mapping onto
// the palette with Floyd-Steinberg, and for the large one fitting it first; and the
// decoding alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "picfit/picture_chain.hpp"
#include "picfit/picture_input.hpp"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A photo-like PNG: smooth light and hue over the picture, with a little noise, so
// that it neither compresses to nothing nor is all noise.
Bytes photo(int width, int height, bool jpeg) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t seed = 7;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 28) - 8;
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / width + noise, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / height + noise, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(((x + y) * 255 / (width + height) + 128) % 256 + noise, 0, 255));
        }
    Bytes file;
    const auto append = [](void* into, void* data, int size) {
        auto* out = static_cast<Bytes*>(into);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
    };
    if (jpeg)
        stbi_write_jpg_to_func(append, &file, width, height, 3, rgb.data(), 90);
    else
        stbi_write_png_to_func(append, &file, width, height, 3, rgb.data(), width * 3);
    return file;
}

void true_colour(benchmark::State& st, int width, int height, int mode, bool fit, bool jpeg = false) {
    const Bytes png = photo(width, height, jpeg);
    picfit::PictureOptions options;
    options.mode = mode;
    options.dither = picfit::Dither::floyd_steinberg;
    options.fit = fit;
    for (auto _ : st) {
        const picfit::Decoded d = picfit::decode_picture(png);
        picfit::Picture record;
        if (d.status != picfit::DecodeStatus::ok ||
            picfit::picture_record(d.picture, options, record) != picfit::PictureStatus::ok) {
            st.SkipWithError("refused");
            break;
        }
        benchmark::DoNotOptimize(record.pixels.data());
    }
    st.counters["in_bytes"] = static_cast<double>(png.size());
    st.counters["pixels"] = static_cast<double>(width) * height;
}

// The image library's part of the chain alone: what no work of picfit's can shorten.
void decode_only(benchmark::State& st, int width, int height, bool jpeg = false) {
    const Bytes png = photo(width, height, jpeg);
    for (auto _ : st) {
        const picfit::Decoded d = picfit::decode_picture(png);
        if (d.status != picfit::DecodeStatus::ok) {
            st.SkipWithError("refused");
            break;
        }
        benchmark::DoNotOptimize(d.picture.pixels.data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(decode_only, png_1920x1080, 1920, 1080)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(true_colour, png_colour_320x200_floyd_steinberg, 320, 200, picfit::kColour, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(true_colour, png_colour_1920x1080_fit_floyd_steinberg, 1920, 1080, picfit::kColour, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(true_colour, png_two_colour_1920x1080_fit_floyd_steinberg, 1920, 1080, picfit::kTwoColour, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode_only, jpeg_1920x1080, 1920, 1080, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(true_colour, jpeg_colour_1920x1080_fit_floyd_steinberg, 1920, 1080, picfit::kColour, true, true)
    ->Unit(benchmark::kMillisecond);
