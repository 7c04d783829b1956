// picfit's pictures in both modes, read back by fitinfo: the TAV file decodes to the
// colours of the source pixels, and the PNG preview shows them in the machine's
// colours.
#include <gtest/gtest.h>

#include "picfit/pcx_builder.hpp"
#include "round_trip.hpp"
#include "support/png_decode.hpp"

using fit_test::Bytes;

namespace {

struct Shape {
    int width, height;
    bool colour;
    int kind;  // 0 noise, 1 bands and blocks, 2 a few long runs
};

Bytes pixels_for(const Shape& s, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes pixels(static_cast<std::size_t>(s.width * s.height));
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            auto& p = pixels[static_cast<std::size_t>(y * s.width + x)];
            if (s.kind == 0) p = static_cast<std::uint8_t>(random());
            else if (s.kind == 1) p = static_cast<std::uint8_t>((x / 13 + y / 7) * 9 + (x % 29 == 0));
            else p = static_cast<std::uint8_t>((x * 3 + y * s.width) / 700);
        }
    return pixels;
}

std::array<std::uint8_t, 3> machine_rgb(std::uint8_t value, bool colour) {
    if (!colour) return value & 1 ? std::array<std::uint8_t, 3>{255, 255, 255} : std::array<std::uint8_t, 3>{0, 0, 0};
    return {static_cast<std::uint8_t>(value & 1 ? 255 : 0), static_cast<std::uint8_t>(value & 2 ? 255 : 0),
            static_cast<std::uint8_t>(value & 4 ? 255 : 0)};
}

}  // namespace

TEST(PicfitRoundTrip, TavFilesDecodeToTheColoursOfTheSource) {
    std::vector<Shape> shapes{{320, 250, true, 0}, {640, 250, false, 0}, {8, 3, true, 0},
                              {16, 4, false, 0},   {320, 200, true, 1},  {640, 200, false, 1},
                              {320, 250, true, 2}, {640, 250, false, 2}, {24, 30, true, 1}};
    std::mt19937 random(31);
    for (int i = 0; i < 6; ++i) {
        const bool colour = i % 2 == 0;
        const int group = colour ? 8 : 16;
        // Tall and varied enough that the stream reaches the 8 bytes picfit asks for.
        shapes.push_back({group * (1 + static_cast<int>(random() % 40)),
                          8 + static_cast<int>(random() % 243), colour, static_cast<int>(random() % 2)});
    }
    for (std::size_t n = 0; n < shapes.size(); ++n) {
        const Shape& s = shapes[n];
        SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height) +
                     (s.colour ? " colour" : " two colours") + " kind " + std::to_string(s.kind));
        const Bytes pixels = pixels_for(s, static_cast<std::uint32_t>(s.width * s.height));
        const auto file = fit_test::convert("picfit", fit_test::make_pcx(s.width, s.height, pixels),
                                            s.colour ? std::vector<std::string>{} : std::vector<std::string>{"-b"});
        ASSERT_TRUE(file);
        const auto inspection = fitinfo::inspect(*file, {});
        ASSERT_EQ(inspection.verdict, fitinfo::Verdict::valid) << fit_test::describe(inspection);
        ASSERT_TRUE(inspection.finding->picture);
        const auto& picture = *inspection.finding->picture;
        EXPECT_EQ(picture.width, static_cast<std::size_t>(s.width));
        EXPECT_EQ(picture.height, static_cast<std::size_t>(s.height));
        EXPECT_EQ(picture.colour, s.colour);
        ASSERT_EQ(picture.pixels.size(), pixels.size());
        for (std::size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(picture.pixels[i], pixels[i] & (s.colour ? 7 : 1)) << "pixel " << i;
        // Every other picture, both modes among them: decoding each change is slow.
        if (n % 2 == 0) fit_test::expect_every_change_seen(*file);
    }
}

TEST(PicfitRoundTrip, ThePngPreviewShowsThePictureInTheMachinesColours) {
    for (const bool colour : {true, false}) {
        const Shape s{colour ? 64 : 128, 40, colour, 1};
        const Bytes pixels = pixels_for(s, 7);
        const fit_test::TempDir dir;
        dir.write("in.pcx", fit_test::make_pcx(s.width, s.height, pixels));
        std::vector<std::string> args{"in.pcx", "pic.tav"};
        if (!colour) args.push_back("-b");
        ASSERT_EQ(fit_test::run_program("picfit", args, dir.path().string()).status, 0);
        const auto r = fit_test::run_program("fitinfo", {"-x", "pic.png", "pic.tav"}, dir.path().string());
        ASSERT_EQ(r.status, 0) << r.err;

        std::size_t width = 0, height = 0;
        const Bytes rgb = fit_test::decode_png(fit_test::read_bytes(dir.file("pic.png")), width, height);
        ASSERT_FALSE(rgb.empty());
        ASSERT_EQ(width, static_cast<std::size_t>(s.width));
        ASSERT_EQ(height, static_cast<std::size_t>(s.height));
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const auto want = machine_rgb(pixels[i], colour);
            for (std::size_t c = 0; c < 3; ++c) ASSERT_EQ(rgb[3 * i + c], want[c]) << "pixel " << i;
        }
    }
}
