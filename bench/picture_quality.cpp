// How far a converted picture is from its source as the eye sees it: both pictures are
// read (PNG, GIF or BMP), the source scaled by area averaging to the size of the other
// when they differ, both blurred by a Gaussian of radius 1 pixel (standard deviation 1,
// in linear light, as the eye merges a dither pattern), and the mean Euclidean distance
// of their pixels in Oklab printed (0 the same, 1 black from white).
// Usage: picture_quality SOURCE CONVERTED
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/file_io.hpp"
#include "picfit/colour_map.hpp"
#include "picfit/picture_fit.hpp"
#include "picfit/picture_input.hpp"

namespace {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<double> rgb;  // linear light, 0 to 1
};

bool load(const char* path, picfit::LinearPicture& out) {
    std::vector<std::uint8_t> bytes;
    if (fit::read_file_upto(path, std::size_t{1} << 28, bytes).status != fit::ReadStatus::ok) return false;
    const picfit::Decoded decoded = picfit::decode_picture(bytes);
    if (decoded.status != picfit::DecodeStatus::ok) return false;
    out = picfit::to_linear(decoded.picture, {0, 0, 0});
    return true;
}

Image blurred(const picfit::LinearPicture& p) {
    constexpr int kReach = 3;
    std::array<double, 2 * kReach + 1> weights{};
    double sum = 0;
    for (int i = -kReach; i <= kReach; ++i) sum += weights[i + kReach] = std::exp(-0.5 * i * i);
    for (double& w : weights) w /= sum;
    const int w = p.width;
    const int h = p.height;
    std::vector<double> across(p.rgb.size());
    Image out{w, h, std::vector<double>(p.rgb.size())};
    // Edges repeat the border pixel.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                for (int i = -kReach; i <= kReach; ++i) {
                    const int xi = std::clamp(x + i, 0, w - 1);
                    v += weights[i + kReach] * p.rgb[(static_cast<std::size_t>(y) * w + xi) * 3 + c] / 65535.0;
                }
                across[(static_cast<std::size_t>(y) * w + x) * 3 + c] = v;
            }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                for (int i = -kReach; i <= kReach; ++i) {
                    const int yi = std::clamp(y + i, 0, h - 1);
                    v += weights[i + kReach] * across[(static_cast<std::size_t>(yi) * w + x) * 3 + c];
                }
                out.rgb[(static_cast<std::size_t>(y) * w + x) * 3 + c] = v;
            }
    return out;
}

std::array<double, 3> oklab(const double* rgb) {
    const double l = std::cbrt(0.4122214708 * rgb[0] + 0.5363325363 * rgb[1] + 0.0514459929 * rgb[2]);
    const double m = std::cbrt(0.2119034982 * rgb[0] + 0.6806995451 * rgb[1] + 0.1073969566 * rgb[2]);
    const double s = std::cbrt(0.0883024619 * rgb[0] + 0.2817188376 * rgb[1] + 0.6299787005 * rgb[2]);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: picture_quality SOURCE CONVERTED\n", stderr);
        return 1;
    }
    picfit::LinearPicture source;
    picfit::LinearPicture converted;
    if (!load(argv[1], source) || !load(argv[2], converted)) {
        std::fputs("picture_quality: cannot read both pictures\n", stderr);
        return 1;
    }
    if (source.width < converted.width || source.height < converted.height) {
        std::fputs("picture_quality: the converted picture is larger than its source\n", stderr);
        return 1;
    }
    if (source.width != converted.width || source.height != converted.height)
        source = picfit::scale_down(source, converted.width, converted.height);
    const Image a = blurred(source);
    const Image b = blurred(converted);
    double total = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 3) {
        const auto p = oklab(&a.rgb[i]);
        const auto q = oklab(&b.rgb[i]);
        total += std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                           (p[2] - q[2]) * (p[2] - q[2]));
    }
    std::printf("%.4f\n", total / static_cast<double>(a.rgb.size() / 3));
    return 0;
}
