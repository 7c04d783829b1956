#include <algorithm>
#include <vector>

#include "checks.hpp"
#include "media/png_preview.hpp"
#include "picfit/encoder.hpp"
#include "picfit/pcx.hpp"
#include "support/png_decode.hpp"
#include "support/tav_decode.hpp"

namespace fit_fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

unsigned word(std::span<const std::uint8_t> f, std::size_t at) {
    return f[at] | static_cast<unsigned>(f[at + 1]) << 8;
}

// The code the reader refuses the file with, 0 when it takes it; then `pixels` holds
// the picture as the PCX run-length scheme gives it.
int refusal(std::span<const std::uint8_t> f, int mode, int& width, int& height, Bytes& pixels) {
    if (f.size() < 128 || f[0] != 0x0A || f[2] != 1 || f[3] != 8 || f[65] != 1) return 7;
    width = static_cast<int>(word(f, 8)) - static_cast<int>(word(f, 4)) + 1;
    height = static_cast<int>(word(f, 10)) - static_cast<int>(word(f, 6)) + 1;
    const int widest = mode == picfit::kColour ? 320 : 640;
    const int group = mode == picfit::kColour ? 8 : 16;
    if (width < 0 || height < 0 || width > widest || height > 250 || width % group != 0) return 8;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t at = 128; pixels.size() < n;) {
        if (at >= f.size()) return 7;  // the data ends before the picture is full
        const std::uint8_t b = f[at++];
        if (b < 0xC0) {
            pixels.push_back(b);
            continue;
        }
        if (at >= f.size()) return 7;
        pixels.insert(pixels.end(), std::min<std::size_t>(b & 0x3F, n - pixels.size()), f[at++]);
    }
    return 0;
}

std::string check_stream(const picfit::TavRecord& tav, int length, int mode, const Bytes& pixels) {
    const bool colour = mode == picfit::kColour;
    const std::size_t groups = pixels.size() / (colour ? 8 : 16);
    const std::size_t bound = groups * (colour ? 3 : 2) + (groups + 127) / 128;
    if (pixels.empty()) return length == 0 ? "" : "an empty picture gave a stream";
    if (length <= 0 || static_cast<std::size_t>(length) != tav.stream.size())
        return "the result is not the stream's length";
    if (tav.stream.size() > bound) return "the stream is longer than its bound";
    const auto d = fit_test::decode_tav_stream(tav.stream, colour, pixels.size());
    if (!d.ok()) return d.error;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if (d.colours[i] != (pixels[i] & (colour ? 7 : 1)))
            return "pixel " + std::to_string(i) + " decodes to another colour";
    // The encoder has one way of coding a picture; anything else changes bytes.
    if (d.unjoined_markers != 0) return "a literal marker was not joined";
    if (d.uniform_literals != 0) return "a literal group of one colour";
    if (d.split_runs != 0) return "a run was split";
    return "";
}

// The PNG preview of the picture's top rows (the whole picture would cost most of
// the fuzzer's time) shows every pixel in the machine's colours.
std::string check_preview(const media::Picture& read, const Bytes& pixels) {
    constexpr std::size_t kRows = 16;
    const bool colour = read.colour;
    if (pixels.empty()) return "";
    const std::size_t width = read.width;
    const std::size_t rows = std::min(read.height, kRows);
    media::Picture picture{width, rows, colour,
                           Bytes(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(width * rows))};
    for (auto& p : picture.pixels) p &= colour ? 7 : 1;
    const auto png = media::png_preview(picture);
    if (!png) return "no PNG preview";
    std::size_t png_width = 0, png_height = 0;
    const Bytes rgb = fit_test::decode_png(*png, png_width, png_height);
    if (png_width != picture.width || png_height != picture.height || rgb.size() != 3 * picture.pixels.size())
        return "the PNG preview does not decode to the picture's size";
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const media::Rgb want = media::rgb_of(picture.pixels[i], colour);
        if (!std::equal(want.begin(), want.end(), rgb.begin() + static_cast<std::ptrdiff_t>(3 * i)))
            return "pixel " + std::to_string(i) + " of the PNG preview has another colour";
    }
    return "";
}

}  // namespace

std::string check_pcx(std::span<const std::uint8_t> input) {
    if (input.empty()) return "";
    const int mode = (input[0] & 1) != 0 ? picfit::kColour : picfit::kTwoColour;
    const auto file = input.subspan(1);

    fit::Reporter report(fit::picfit_errors);
    const auto picture = picfit::decode_pcx(file, mode, report);
    int width = 0;
    int height = 0;
    Bytes pixels;
    const int expected = refusal(file, mode, width, height, pixels);
    if (!picture) {
        if (report.count() != 1) return "refused after " + std::to_string(report.count()) + " messages";
        if (report.first_code() != expected)
            return "refused with " + std::to_string(report.first_code()) + " where " +
                   std::to_string(expected) + " was due";
        return "";
    }
    if (expected != 0) return "accepted a file to refuse with " + std::to_string(expected);
    if (report.count() != 0) return "accepted after an error message";
    if (picture->width != static_cast<std::size_t>(width) ||
        picture->height != static_cast<std::size_t>(height) ||
        picture->colour != (mode == picfit::kColour))
        return "the picture has the wrong size or mode";
    if (picture->pixels != pixels) return "the pixels are not the file's";

    picfit::TavRecord tav;
    const int length = mode == picfit::kColour ? picfit::encode_colour_tav(*picture, tav)
                                                : picfit::encode_two_colour_tav(*picture, tav);
    if (length != 0 && (tav.width != width || tav.height != height || tav.mode != mode))
        return "the record has the wrong size or mode";
    if (auto problem = check_stream(tav, length, mode, pixels); !problem.empty()) return problem;
    return check_preview(*picture, pixels);
}

}  // namespace fit_fuzz
