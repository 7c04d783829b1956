// TAV pictures: the header, the stream decoded to exactly width × height pixels, and
// the PNG preview in the machine's colours, read back by another decoder.
#include <gtest/gtest.h>

#include "media/png_preview.hpp"
#include "support/png_decode.hpp"
#include "fitinfo/kinds.hpp"
#include "hand_built.hpp"

using fit_test::broken_at;
using fit_test::Bytes;
using fit_test::inspect;
using fitinfo::Verdict;

namespace {

Bytes tav(bool colour, unsigned width_groups, unsigned rows, const Bytes& stream) {
    Bytes file(10 + stream.size());
    file[0] = 'T', file[1] = 'A', file[2] = 'V', file[3] = 0x01;
    file[4] = static_cast<std::uint8_t>(width_groups);
    file[5] = static_cast<std::uint8_t>(rows);
    file[6] = static_cast<std::uint8_t>(stream.size() >> 8);
    file[7] = static_cast<std::uint8_t>(stream.size() & 0xFF);
    file[8] = colour ? 1 : 0;
    std::copy(stream.begin(), stream.end(), file.begin() + 10);
    return file;
}

Bytes pixels_of(const Bytes& file) {
    const auto inspection = inspect(file);
    EXPECT_EQ(inspection.verdict, Verdict::valid)
        << (inspection.error ? media::describe(*inspection.error) : inspection.kind);
    return inspection.finding && inspection.finding->picture ? inspection.finding->picture->pixels
                                                            : Bytes{};
}

// The PNG read back as 8-bit RGB.
Bytes read_png(const Bytes& png, std::size_t& width, std::size_t& height) {
    return fit_test::decode_png(png, width, height);
}

}  // namespace

TEST(TavPicture, DecodesRunsAndLiteralGroupsOfBothModes) {
    // Eight of colour 5, then the colours 0 to 7.
    Bytes expected(8, 5);
    for (std::uint8_t c = 0; c < 8; ++c) expected.push_back(c);
    EXPECT_EQ(pixels_of(tav(true, 2, 1, {0x05, 0x80, 0x0F, 0x33, 0x55})), expected);
    // Twenty ones, then six pairs (0, 1).
    expected.assign(20, 1);
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {0, 1});
    EXPECT_EQ(pixels_of(tav(false, 2, 1, {0x01, 0x80, 0xC0, 0xFF})), expected);
    // Runs that cover several rows: 320 × 2 of colour 3.
    EXPECT_EQ(pixels_of(tav(true, 40, 2, {0x7B, 0x7B, 0x7B, 0x7B, 0x7B})), Bytes(640, 3));
    EXPECT_EQ(pixels_of(tav(false, 40, 2, {0x7F, 0x1F})), Bytes(1280, 1));
}

TEST(TavPicture, TheStreamMustCoverThePictureExactly) {
    // 2 groups wide, 1 row.
    EXPECT_EQ(broken_at(tav(true, 2, 1, {0x05})), 11u);               // ends early
    EXPECT_EQ(broken_at(tav(true, 2, 1, {0x05, 0x0D})), 11u);         // a run of 2 overshoots
    EXPECT_EQ(broken_at(tav(true, 2, 1, {0x05, 0x05, 0x05})), 12u);   // one item too many
    EXPECT_EQ(broken_at(tav(true, 2, 1, {0x05, 0x81, 0, 0, 0, 0, 0, 0})), 11u);
    EXPECT_EQ(broken_at(tav(true, 2, 1, {0x05, 0x80, 0x0F, 0x33})), 11u);  // group cut short
}

TEST(TavPicture, EveryHeaderByteIsChecked) {
    const Bytes good = tav(true, 2, 1, {0x05, 0x80, 0x0F, 0x33, 0x55});
    const std::vector<std::pair<std::size_t, std::uint8_t>> cases{
        {0, 'X'}, {1, 'a'}, {2, 'W'}, {3, 0x02}, {4, 0}, {4, 41}, {5, 0}, {5, 251},
        {6, 0x01}, {7, 0x06}, {8, 2}, {9, 1}};
    for (const auto& [at, value] : cases) {
        Bytes bad = good;
        bad[at] = value;
        const std::size_t found = broken_at(bad);
        // A wrong length shows where the file ends against it; the stream in the file
        // still decodes, so the length field is named.
        EXPECT_EQ(found, at) << "byte " << at;
    }
    // Width and height that still fit the limits show in the stream.
    for (const std::size_t at : {4u, 5u}) {
        Bytes bad = good;
        bad[at] = 3;
        EXPECT_EQ(broken_at(bad), 15u) << at;
    }
    EXPECT_EQ(broken_at(Bytes(good.begin(), good.end() - 1)), 14u);
    EXPECT_EQ(broken_at(Bytes(good.begin(), good.begin() + 7)), 7u);
}

TEST(TavPreview, ColoursFollowTheBitsOfEachPixel) {
    fitinfo::Picture picture{8, 2, true, {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0}};
    const auto png = media::png_preview(picture);
    ASSERT_TRUE(png);
    std::size_t width = 0, height = 0;
    const Bytes rgb = read_png(*png, width, height);
    ASSERT_EQ(width, 8u);
    ASSERT_EQ(height, 2u);
    ASSERT_EQ(rgb.size(), 48u);
    // Bit 0 red, bit 1 green, bit 2 blue.
    const std::vector<Bytes> colours{{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                     {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(Bytes(rgb.begin() + 3 * static_cast<std::ptrdiff_t>(i), rgb.begin() + 3 * static_cast<std::ptrdiff_t>(i) + 3),
                  colours[picture.pixels[i]]) << "pixel " << i;
}

TEST(TavPreview, TwoColourPicturesAreBlackAndWhite) {
    // A whole file: a two-colour literal group of alternating pixels, then a white run.
    const auto inspection = inspect(tav(false, 2, 1, {0x80, 0x00, 0xFF, 0x01}));
    ASSERT_EQ(inspection.verdict, Verdict::valid);
    const auto png = media::png_preview(*inspection.finding->picture);
    ASSERT_TRUE(png);
    std::size_t width = 0, height = 0;
    const Bytes rgb = read_png(*png, width, height);
    ASSERT_EQ(width, 32u);
    ASSERT_EQ(height, 1u);
    for (std::size_t i = 0; i < 32; ++i) {
        const std::uint8_t want = i >= 16 || i % 2 == 1 ? 255 : 0;
        for (std::size_t c = 0; c < 3; ++c) ASSERT_EQ(rgb[3 * i + c], want) << "pixel " << i;
    }
}
