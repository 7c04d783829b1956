// The picture library piece by piece: kinds and limits of the input, the nearest
// palette colour in Oklab, transparency, dithering that keeps the light, and the
// sizes a fitted picture gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <tuple>

#include "picfit/colour_map.hpp"
#include "picfit/dither.hpp"
#include "picfit/picture_chain.hpp"
#include "picfit/picture_fit.hpp"
#include "picfit/picture_input.hpp"
#include "support/temp_dir.hpp"

namespace {

using fit_test::Bytes;
using picfit::kColour;
using picfit::kTwoColour;

picfit::RgbaPicture flat_rgba(int width, int height, std::array<std::uint8_t, 4> pixel) {
    picfit::RgbaPicture p;
    p.width = width;
    p.height = height;
    for (int i = 0; i < width * height; ++i) p.pixels.insert(p.pixels.end(), pixel.begin(), pixel.end());
    return p;
}

picfit::LinearPicture flat_linear(int width, int height, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    picfit::LinearPicture p;
    p.width = width;
    p.height = height;
    for (int i = 0; i < width * height; ++i) p.rgb.insert(p.rgb.end(), {r, g, b});
    return p;
}

Bytes bytes(std::initializer_list<int> list) {
    Bytes b;
    for (int v : list) b.push_back(static_cast<std::uint8_t>(v));
    return b;
}

// The IHDR of a PNG claiming a size; nothing after it.
Bytes png_header(std::uint32_t width, std::uint32_t height) {
    Bytes b = bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    for (std::uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return b;
}

}  // namespace

TEST(PictureInput, KindsByContent) {
    struct Case {
        Bytes file;
        picfit::PictureKind kind;
    };
    const Case cases[] = {
        {bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), picfit::PictureKind::png},
        {bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}), picfit::PictureKind::unknown},
        {bytes({'G', 'I', 'F', '8', '9', 'a'}), picfit::PictureKind::gif},
        {bytes({'G', 'I', 'F', '8', '7', 'a', 0}), picfit::PictureKind::gif},
        {bytes({'G', 'I', 'F', '8', '8', 'a'}), picfit::PictureKind::unknown},
        {bytes({'B', 'M', 0}), picfit::PictureKind::bmp},
        {bytes({0x0A, 5, 1, 8}), picfit::PictureKind::pcx},
        {bytes({0x0B}), picfit::PictureKind::unknown},
        {bytes({}), picfit::PictureKind::unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(picfit::picture_kind(c.file), c.kind) << c.file.size();
}

TEST(PictureInput, RefusalsBeforeDecoding) {
    struct Case {
        Bytes file;
        picfit::DecodeStatus status;
    };
    const Case cases[] = {
        {bytes({0x0A, 5, 1, 8}), picfit::DecodeStatus::unknown_kind},  // the PCX reader's
        {bytes({'x', 'y'}), picfit::DecodeStatus::unknown_kind},
        {png_header(100000, 100000), picfit::DecodeStatus::too_large},
        {png_header(16385, 1), picfit::DecodeStatus::too_large},
        {png_header(9000, 8000), picfit::DecodeStatus::too_large},  // too many pixels
        {png_header(16, 16), picfit::DecodeStatus::corrupt},        // no pixel data
        {png_header(0, 16), picfit::DecodeStatus::corrupt},
        {bytes({'B', 'M', 1, 2, 3}), picfit::DecodeStatus::corrupt},
        {bytes({'G', 'I', 'F', '8', '9', 'a', 4, 0}), picfit::DecodeStatus::corrupt},
    };
    for (const auto& c : cases) {
        const picfit::Decoded d = picfit::decode_picture(c.file);
        EXPECT_EQ(d.status, c.status) << c.file.size();
        EXPECT_TRUE(d.picture.pixels.empty());
    }
    picfit::PictureLimits small;
    small.widest = 8;
    const Bytes gif = fit_test::read_bytes(std::string(FIT_TEST_DATA) + "/picture/exact/colour.gif");
    EXPECT_EQ(picfit::decode_picture(gif, small).status, picfit::DecodeStatus::too_large);
    EXPECT_EQ(picfit::decode_picture(gif).status, picfit::DecodeStatus::ok);
}

TEST(ColourMap, NearestInOklab) {
    struct Case {
        std::uint8_t r, g, b;
        int colour, two_colour;
    };
    // Each well nearer one palette colour than the next (by a float Oklab reference).
    const Case cases[] = {
        {255, 128, 0, 1, 1},   {128, 0, 0, 1, 0},     {0, 0, 128, 4, 0},   {255, 200, 200, 7, 1},
        {0, 160, 160, 6, 1},   {200, 255, 0, 3, 1},   {90, 90, 255, 4, 1}, {30, 30, 30, 0, 0},
        {255, 255, 128, 3, 1}, {140, 140, 140, 1, 1}, {0, 0, 0, 0, 0},     {255, 255, 255, 7, 1},
        {255, 0, 255, 5, 1},   {0, 255, 0, 2, 1},
    };
    for (const auto& c : cases) {
        const auto r = picfit::linear_of(c.r);
        const auto g = picfit::linear_of(c.g);
        const auto b = picfit::linear_of(c.b);
        const std::string what = std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
        EXPECT_EQ(picfit::nearest_index(kColour, r, g, b), c.colour) << what;
        EXPECT_EQ(picfit::nearest_index(kTwoColour, r, g, b), c.two_colour) << what;
    }
}

TEST(ColourMap, OklabOfKnownColours) {
    struct Case {
        std::uint16_t r, g, b;
        double L, a, b_;
    };
    // Oklab's published values for the sRGB primaries and white.
    const Case cases[] = {
        {65535, 65535, 65535, 1.0, 0.0, 0.0},
        {65535, 0, 0, 0.62796, 0.22486, 0.12585},
        {0, 65535, 0, 0.86644, -0.23389, 0.17950},
        {0, 0, 65535, 0.45201, -0.03246, -0.31153},
        {0, 0, 0, 0.0, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        const picfit::Lab lab = picfit::oklab(c.r, c.g, c.b);
        EXPECT_NEAR(lab.L / 65535.0, c.L, 2e-4) << c.r << c.g << c.b;
        EXPECT_NEAR(lab.a / 65535.0, c.a, 2e-4) << c.r << c.g << c.b;
        EXPECT_NEAR(lab.b / 65535.0, c.b_, 2e-4) << c.r << c.g << c.b;
    }
}

TEST(ColourMap, LinearLightTable) {
    EXPECT_EQ(picfit::linear_of(0), 0);
    EXPECT_EQ(picfit::linear_of(255), 65535);
    for (int v = 1; v < 256; ++v) {
        const double c = v / 255.0;
        const double want = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        EXPECT_NEAR(picfit::linear_of(static_cast<std::uint8_t>(v)), want * 65535, 0.51) << v;
        EXPECT_GT(picfit::linear_of(static_cast<std::uint8_t>(v)), picfit::linear_of(static_cast<std::uint8_t>(v - 1)));
    }
}

TEST(ColourMap, TransparencyOverTheBackground) {
    struct Case {
        std::array<std::uint8_t, 4> pixel;
        picfit::Rgb background;
        std::array<std::uint16_t, 3> linear;
    };
    const Case cases[] = {
        {{255, 255, 255, 0}, {0, 0, 0}, {0, 0, 0}},
        {{255, 255, 255, 0}, {0, 0, 255}, {0, 0, 65535}},
        {{255, 0, 0, 255}, {0, 255, 0}, {65535, 0, 0}},
        // Half covered: half the light of each, not half the sRGB value.
        {{255, 0, 0, 51}, {0, 0, 255}, {13107, 0, 52428}},
        {{188, 188, 188, 128}, {0, 0, 0}, {16543, 16543, 16543}},
    };
    for (const auto& c : cases) {
        const picfit::LinearPicture p = picfit::to_linear(flat_rgba(1, 1, c.pixel), c.background);
        EXPECT_EQ(p.rgb[0], c.linear[0]);
        EXPECT_EQ(p.rgb[1], c.linear[1]);
        EXPECT_EQ(p.rgb[2], c.linear[2]);
    }
}

TEST(ColourMap, PcxPaletteGivesTheColours) {
    std::array<std::uint8_t, 768> palette{};
    palette[3 * 9] = 255;                          // 9: red
    palette[3 * 200 + 1] = palette[3 * 200 + 2] = 255;  // 200: cyan
    palette[3 * 17] = palette[3 * 17 + 1] = palette[3 * 17 + 2] = 255;  // 17: white
    const Bytes indices = {9, 200, 17, 0, 9, 9, 200, 17};
    const picfit::RgbaPicture p = picfit::palette_picture(palette, indices, 8, 1);
    picfit::Picture r;
    ASSERT_EQ(picfit::picture_record(p, {}, r), picfit::PictureStatus::ok);
    EXPECT_EQ(r.pixels, Bytes({1, 6, 7, 0, 1, 1, 6, 7}));
    // Indices that run short leave the rest transparent, on the background.
    picfit::PictureOptions white;
    white.background = {255, 255, 255};
    const picfit::RgbaPicture cut = picfit::palette_picture(palette, Bytes{9, 9}, 8, 1);
    ASSERT_EQ(picfit::picture_record(cut, white, r), picfit::PictureStatus::ok);
    EXPECT_EQ(r.pixels, Bytes({1, 1, 7, 7, 7, 7, 7, 7}));
}

TEST(Dither, NamesBothWays) {
    for (const char* name : {"none", "floyd-steinberg", "atkinson", "bayer4", "bayer8"}) {
        const auto d = picfit::dither_named(name);
        ASSERT_TRUE(d.has_value()) << name;
        EXPECT_STREQ(picfit::dither_name(*d), name);
    }
    EXPECT_FALSE(picfit::dither_named("Atkinson").has_value());
    EXPECT_FALSE(picfit::dither_named("").has_value());
}

// A flat grey of a given light: Floyd-Steinberg and the ordered ditherings light
// about that share of the pixels, and keep the mean of every channel of a colour too.
// Atkinson drops a quarter of the error on purpose: it only lights more for more light,
// and nothing below an eighth of it.
TEST(Dither, KeepsTheLight) {
    struct Case {
        picfit::Dither dither;
        double tolerance;
    };
    const Case cases[] = {
        {picfit::Dither::floyd_steinberg, 0.01},
        {picfit::Dither::bayer4, 0.035},
        {picfit::Dither::bayer8, 0.01},
        {picfit::Dither::atkinson, 1.0},
    };
    for (const auto& c : cases) {
        double before = -1;
        for (const std::uint16_t light : {0, 6000, 20000, 32768, 50000, 65535}) {
            const auto picture = flat_linear(64, 64, light, light, light);
            const auto two = picfit::map_picture(picture, kTwoColour, c.dither);
            double lit = 0;
            for (auto v : two) lit += v;
            lit /= static_cast<double>(two.size());
            EXPECT_NEAR(lit, light / 65535.0, c.tolerance) << picfit::dither_name(c.dither) << " " << light;
            // Atkinson's dropped quarter leaves the darkest eighth of the light black.
            if (c.dither == picfit::Dither::atkinson && light < 65535 / 8)
                EXPECT_EQ(lit, 0.0) << light;
            else
                EXPECT_GT(lit, before) << picfit::dither_name(c.dither) << " " << light;
            before = lit;
        }
        if (c.tolerance >= 1.0) continue;
        const auto colour = picfit::map_picture(flat_linear(64, 64, 50000, 20000, 6000), kColour, c.dither);
        double share[3] = {0, 0, 0};
        for (auto v : colour)
            for (int ch = 0; ch < 3; ++ch) share[ch] += (v >> ch & 1) / static_cast<double>(colour.size());
        EXPECT_NEAR(share[0], 50000 / 65535.0, c.tolerance * 1.5) << picfit::dither_name(c.dither);
        EXPECT_NEAR(share[1], 20000 / 65535.0, c.tolerance * 1.5) << picfit::dither_name(c.dither);
        EXPECT_NEAR(share[2], 6000 / 65535.0, c.tolerance * 1.5) << picfit::dither_name(c.dither);
    }
    // Without dithering a flat picture stays flat.
    const auto none = picfit::map_picture(flat_linear(16, 4, 50000, 20000, 6000), kColour, picfit::Dither::none);
    EXPECT_EQ(none, Bytes(64, static_cast<std::uint8_t>(none[0])));
}

// An even colour is made of the two palette colours nearest to it (those whose mix
// comes closest in linear light), with a dot of a third where its hue asks: never two
// neighbouring pixels of a colour outside that pair, the red and black worms that a
// dark blue got when the error was spread in one space and the colour picked in
// another. Every dithering that mixes colours, on dark ones above all, where the
// palette is sparsest.
TEST(Dither, EvenColoursMakeNoClumps) {
    const std::array<std::array<std::uint8_t, 3>, 9> colours{{
        {20, 24, 90}, {10, 10, 60}, {40, 60, 150}, {90, 15, 15}, {15, 70, 20},
        {90, 50, 20}, {60, 20, 70}, {30, 90, 110}, {70, 70, 70},
    }};
    constexpr int kSide = 64;
    for (const auto& srgb : colours) {
        const double v[3] = {picfit::linear_of(srgb[0]) / 65535.0, picfit::linear_of(srgb[1]) / 65535.0,
                             picfit::linear_of(srgb[2]) / 65535.0};
        // The pair of corners of the colour cube whose segment passes nearest.
        int pair[2] = {0, 0};
        double best = 1e9;
        for (int i = 0; i < 8; ++i)
            for (int j = i + 1; j < 8; ++j) {
                double d[3], u[3], dot = 0, len = 0;
                for (int c = 0; c < 3; ++c) {
                    d[c] = (j >> c & 1) - (i >> c & 1);
                    u[c] = v[c] - (i >> c & 1);
                    dot += d[c] * u[c];
                    len += d[c] * d[c];
                }
                const double t = std::clamp(dot / len, 0.0, 1.0);
                double dist = 0;
                for (int c = 0; c < 3; ++c) dist += (u[c] - t * d[c]) * (u[c] - t * d[c]);
                if (dist < best - 1e-12) {
                    best = dist;
                    pair[0] = i;
                    pair[1] = j;
                }
            }
        const auto rgba = flat_rgba(kSide, kSide, {srgb[0], srgb[1], srgb[2], 255});
        const auto picture = picfit::to_linear(picfit::PixelView{kSide, kSide, 4, rgba.pixels}, {0, 0, 0});
        for (const auto dither : {picfit::Dither::floyd_steinberg, picfit::Dither::atkinson, picfit::Dither::bayer4,
                                  picfit::Dither::bayer8}) {
            const auto out = picfit::map_picture(picture, kColour, dither);
            int clumps = 0;
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x) {
                    const int here = out[static_cast<std::size_t>(y * kSide + x)];
                    if (here == pair[0] || here == pair[1]) continue;
                    if (x + 1 < kSide && out[static_cast<std::size_t>(y * kSide + x + 1)] == here) ++clumps;
                    if (y + 1 < kSide && out[static_cast<std::size_t>((y + 1) * kSide + x)] == here) ++clumps;
                }
            EXPECT_EQ(clumps, 0) << picfit::dither_name(dither) << " on " << int{srgb[0]} << "," << int{srgb[1]}
                                 << "," << int{srgb[2]} << " (pair " << pair[0] << ", " << pair[1] << ")";
        }
    }
}

TEST(PictureFit, Plans) {
    struct Case {
        int width, height, mode;
        int fit_width, fit_height, scaled_width, scaled_height;
    };
    const Case cases[] = {
        {320, 200, kColour, 320, 200, 320, 200},       // fits: left alone
        {280, 184, kColour, 280, 184, 280, 184},
        {281, 184, kColour, 280, 183, 280, 183},       // width to whole groups
        {640, 480, kColour, 320, 240, 320, 240},
        {640, 480, kTwoColour, 320, 240, 320, 240},    // 333 wide by the height, 320 by groups
        {1920, 1080, kColour, 320, 180, 320, 180},
        {1920, 1080, kTwoColour, 432, 243, 432, 243},
        {4000, 3, kColour, 320, 1, 320, 1},            // very wide: at least a row
        {3, 4000, kColour, 8, 250, 1, 250},            // very tall: one column, widened
        {12, 4000, kTwoColour, 16, 250, 1, 250},
        {3, 5, kColour, 8, 5, 3, 5},                   // tiny: kept, widened to a group
        {15, 7, kTwoColour, 16, 7, 15, 7},
        {12, 5, kColour, 8, 3, 8, 3},
        {321, 251, kColour, 312, 244, 312, 244},
        {641, 250, kTwoColour, 640, 250, 640, 250},
        {640, 251, kTwoColour, 624, 245, 624, 245},
    };
    for (const auto& c : cases) {
        const picfit::FitPlan p = picfit::fit_plan(c.width, c.height, c.mode);
        const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height);
        EXPECT_EQ(p.width, c.fit_width) << what;
        EXPECT_EQ(p.height, c.fit_height) << what;
        EXPECT_EQ(p.scaled_width, c.scaled_width) << what;
        EXPECT_EQ(p.scaled_height, c.scaled_height) << what;
        EXPECT_TRUE(picfit::fits_mode(p.width, p.height, c.mode)) << what;
    }
}

TEST(PictureFit, AreaAveraging) {
    // 480 x 3 fitted to the colour screen is 320 x 2: each new pixel takes one and a
    // half source pixels each way. Red goes 0, 255, 255 along each row and green down
    // each column, so every new pixel's red is (0 + 65535 / 2) / 1.5 or
    // (65535 / 2 + 65535) / 1.5 by its column, and its green so by its row.
    const int width = 480;
    const int height = 3;
    picfit::RgbaPicture rgba;
    rgba.width = width;
    rgba.height = height;
    Bytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t red = x % 3 == 0 ? 0 : 255;
            const std::uint8_t green = y == 0 ? 0 : 255;
            rgba.pixels.insert(rgba.pixels.end(), {red, green, 0, 255});
            rgb.insert(rgb.end(), {red, green, 0});
        }
    // The opaque path scales the sRGB samples as it reads them, the other the rows
    // laid over the background: the same means.
    for (const picfit::PixelView view : {picfit::PixelView(rgba), picfit::PixelView{width, height, 3, rgb}}) {
        const picfit::LinearPicture s = picfit::fit_picture(view, kColour, {});
        ASSERT_EQ(s.width, 320);
        ASSERT_EQ(s.height, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const std::size_t at = (static_cast<std::size_t>(y) * 320 + static_cast<std::size_t>(x)) * 3;
                EXPECT_EQ(s.rgb[at], x % 2 == 0 ? 21845 : 65535) << view.channels << " " << x << "," << y;
                EXPECT_EQ(s.rgb[at + 1], y == 0 ? 21845 : 65535) << view.channels << " " << x << "," << y;
                EXPECT_EQ(s.rgb[at + 2], 0);
            }
    }
    // A whole-factor reduction of palette blocks stays exactly on the palette.
    const picfit::LinearPicture red = picfit::fit_picture(flat_rgba(640, 400, {255, 0, 0, 255}), kColour, {});
    EXPECT_EQ(red.rgb, flat_linear(320, 200, 65535, 0, 0).rgb);
}

TEST(PictureChain, SizeRefusedWithoutFit) {
    picfit::Picture r;
    r.pixels = {42};
    const auto p = flat_rgba(12, 4, {255, 0, 0, 255});
    EXPECT_EQ(picfit::picture_record(p, {}, r), picfit::PictureStatus::bad_size);
    EXPECT_EQ(r.pixels, Bytes({42}));  // left as it was
    picfit::PictureOptions fit;
    fit.fit = true;
    ASSERT_EQ(picfit::picture_record(p, fit, r), picfit::PictureStatus::ok);
    EXPECT_EQ(r.width, 8);
    EXPECT_EQ(r.height, 3);
    EXPECT_EQ(r.pixels, Bytes(24, 1));
    // Widened with the background.
    fit.mode = kTwoColour;
    fit.background = {255, 255, 255};
    ASSERT_EQ(picfit::picture_record(flat_rgba(2, 1, {0, 0, 0, 255}), fit, r), picfit::PictureStatus::ok);
    EXPECT_EQ(r.pixels, Bytes({0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(r.colour, kTwoColour != picfit::kTwoColour);
}

TEST(PictureChain, PixelsNotOfTheSizeAreRefused) {
    picfit::PictureOptions fit;
    fit.fit = true;
    for (const auto& [width, height, extra] : {std::tuple{8, 1, 12}, {8, 2, -4}, {0, 1, 0}, {8, 0, 0}}) {
        auto p = flat_rgba(std::max(width, 1), std::max(height, 1), {0, 0, 0, 255});
        p.width = width;
        p.height = height;
        p.pixels.resize(static_cast<std::size_t>(static_cast<int>(p.pixels.size()) + extra));
        picfit::Picture r;
        EXPECT_EQ(picfit::picture_record(p, fit, r), picfit::PictureStatus::bad_size) << width << " " << extra;
    }
}
