#include "picfit/encoder.hpp"

#include <gtest/gtest.h>

#include <random>

#include "support/tav_decode.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;

namespace {

// Pixels built piece by piece: n pixels of one value, or a sequence repeated.
struct Pixels {
    Bytes bytes;
    Pixels& fill(std::size_t n, std::uint8_t value) {
        bytes.insert(bytes.end(), n, value);
        return *this;
    }
    Pixels& repeat(std::size_t times, const Bytes& seq) {
        for (std::size_t i = 0; i < times; ++i) bytes.insert(bytes.end(), seq.begin(), seq.end());
        return *this;
    }
};

Bytes encode(bool colour, const Bytes& pixels, int* result = nullptr) {
    picfit::Picture picture;
    picture.pixels = pixels;
    picfit::TavRecord tav;
    const int n = colour ? picfit::encode_colour_tav(picture, tav)
                         : picfit::encode_two_colour_tav(picture, tav);
    if (result != nullptr) *result = n;
    EXPECT_EQ(static_cast<std::size_t>(n), tav.stream.size());
    return tav.stream;
}

Bytes literals(std::size_t groups, const Bytes& group) {
    return Pixels{}.repeat(groups, group).bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

}  // namespace

TEST(TavEncoders, StreamExamples) {
    struct Case {
        const char* what;
        bool colour;
        Bytes pixels;
        Bytes stream;
    };
    const Case cases[] = {
        {"two colours: a run, then its rest with six pairs",
         false,
         Pixels{}.fill(20, 1).repeat(6, {0, 1}).bytes,
         {0x01, 0x80, 0xC0, 0xFF}},
        {"colour: a run, then colours 0 to 7",
         true,
         Pixels{}.fill(8, 5).repeat(1, {0, 1, 2, 3, 4, 5, 6, 7}).bytes,
         {0x05, 0x80, 0x0F, 0x33, 0x55}},
        {"two colours: 640 x 2 of colour 0, across the row", false, Bytes(1280, 0), {0x7E, 0x1E}},
        {"two colours: 640 x 2 of colour 1", false, Bytes(1280, 1), {0x7F, 0x1F}},
        {"colour: 320 x 1 of colour 3", true, Bytes(320, 3), {0x7B, 0x7B, 0x3B}},
        {"two colours: a run's literal group opens a marker the next one joins",
         false,
         Pixels{}.fill(20, 0).repeat(6, {1, 0}).repeat(4, {1, 0, 1, 1}).bytes,
         {0x00, 0x81, 0x3F, 0x00, 0xFF, 0x55}},
        {"two colours: the last pixel unlike the one before",
         false,
         Pixels{}.fill(15, 0).fill(1, 1).bytes,
         {0x80, 0x00, 0x01}},
        {"colour: the last pixel unlike the one before",
         true,
         Pixels{}.fill(7, 2).fill(1, 5).bytes,
         {0x80, 0x01, 0xFE, 0x01}},
        {"colour: 1 and 9 are one colour", true, Pixels{}.repeat(8, {1, 9}).bytes, {0x09}},
        {"two colours: 2 and 4 are colour 0", false, Pixels{}.repeat(16, {2, 4}).bytes, {0x02}},
        {"two colours: 16 x 16 of one colour", false, Bytes(256, 1), {0x1F}},
        {"colour: 8 x 16 of one colour", true, Bytes(128, 6), {0x7E}},
        {"colour: a run byte closes the marker",
         true,
         Pixels{}
             .repeat(1, {0, 1, 2, 3, 4, 5, 6, 7})
             .fill(8, 5)
             .repeat(1, {7, 6, 5, 4, 3, 2, 1, 0})
             .bytes,
         {0x80, 0x0F, 0x33, 0x55, 0x05, 0x80, 0xF0, 0xCC, 0xAA}},
        {"colour: the colour that ends a run on a group boundary starts the next run",
         true,
         Pixels{}.fill(16, 4).fill(8, 0).fill(7, 7).fill(1, 2).bytes,
         {0x0C, 0x00, 0x80, 0xFE, 0xFF, 0xFE}},
        {"two colours: a run of 1024 ends there though the colour goes on",
         false,
         Bytes(1040, 1),
         {0x7F, 0x01}},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(encode(c.colour, c.pixels, &result), c.stream) << c.what;
        EXPECT_EQ(result, static_cast<int>(c.stream.size())) << c.what;
    }
}

TEST(TavEncoders, MarkerHoldsAtMost128Groups) {
    // 640 x 4 alternating pixels: every group literal, 00 FF each.
    const Bytes pixels = Pixels{}.repeat(1280, {0, 1}).bytes;
    const Bytes expected =
        join({{0xFF}, literals(128, {0x00, 0xFF}), {0x9F}, literals(32, {0x00, 0xFF})});
    int result = 0;
    EXPECT_EQ(encode(false, pixels, &result), expected);
    EXPECT_EQ(result, 322);

    // The same in colour: 130 literal groups split 128 + 2.
    const Bytes colours = Pixels{}.repeat(130, {0, 1, 2, 3, 4, 5, 6, 7}).bytes;
    EXPECT_EQ(
        encode(true, colours),
        join({{0xFF}, literals(128, {0x0F, 0x33, 0x55}), {0x81}, literals(2, {0x0F, 0x33, 0x55})}));
}

TEST(TavEncoders, FillTheRecordFromThePicture) {
    for (const bool colour : {true, false}) {
        const picfit::Picture picture{16, 1, !colour, Pixels{}.fill(15, 0).fill(1, 1).bytes};
        picfit::TavRecord tav;
        if (colour) {
            EXPECT_EQ(picfit::encode_colour_tav(picture, tav), 5);
            EXPECT_EQ(tav.stream, (Bytes{0x00, 0x80, 0x00, 0x00, 0x01}));
            EXPECT_EQ(tav.mode, picfit::kColour);  // the encoder's mode, not the picture's
        } else {
            EXPECT_EQ(picfit::encode_two_colour_tav(picture, tav), 3);
            EXPECT_EQ(tav.stream, (Bytes{0x80, 0x00, 0x01}));
            EXPECT_EQ(tav.mode, picfit::kTwoColour);
        }
        EXPECT_EQ(tav.width, 16);
        EXPECT_EQ(tav.height, 1);
    }
}

TEST(TavEncoders, RefuseEmptyOrPartialGroupsWithoutTouchingTheRecord) {
    for (const bool colour : {true, false}) {
        for (const Bytes& pixels : {Bytes{}, Bytes(12, 1), Bytes(7, 0)}) {
            const picfit::Picture picture{pixels.size(), 1, colour, pixels};
            picfit::TavRecord tav;
            tav.width = 3;
            const int n = colour ? picfit::encode_colour_tav(picture, tav)
                                 : picfit::encode_two_colour_tav(picture, tav);
            EXPECT_EQ(n, 0);
            EXPECT_TRUE(tav.stream.empty());
            EXPECT_EQ(tav.width, 3);
        }
    }
}

// Every picture must decode to its pixels' colours, coded the encoder's one way, within
// the stream bound of its size.
TEST(TavEncoders, StreamsDecodeToEveryPixelsColourWithinTheBound) {
    std::mt19937 gen(2010);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(gen);
    };

    struct Picture {
        std::string what;
        int width, height;
        Bytes pixels;
    };
    std::vector<Picture> pictures;
    for (const bool colour : {true, false}) {
        const int group = colour ? 8 : 16;
        const int widest = colour ? 320 : 640;
        for (int n = 0; n < 60; ++n) {
            const int width = group * pick(1, widest / group);
            const int height = pick(1, 250);
            const std::size_t size =
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
            Bytes p(size);
            switch (n % 5) {
            case 0:  // noise over all 256 values
                for (auto& b : p) b = static_cast<std::uint8_t>(pick(0, 255));
                break;
            case 1: {  // runs of random lengths, often around the group size
                std::size_t at = 0;
                while (at < size) {
                    const std::size_t len = static_cast<std::size_t>(
                        pick(0, 3) == 0 ? pick(1, 3000) : pick(1, 2 * group + 1));
                    std::fill_n(p.begin() + static_cast<std::ptrdiff_t>(at),
                                std::min(len, size - at), static_cast<std::uint8_t>(pick(0, 255)));
                    at += len;
                }
                break;
            }
            case 2: {  // vertical stripes
                const int stripe = pick(1, 40);
                for (std::size_t i = 0; i < size; ++i)
                    p[i] = static_cast<std::uint8_t>((i % static_cast<std::size_t>(width)) /
                                                     static_cast<std::size_t>(stripe) * 3);
                break;
            }
            case 3:  // mostly one colour with rare specks
                for (auto& b : p)
                    b = pick(0, 200) == 0 ? static_cast<std::uint8_t>(pick(0, 255)) : 16;
                break;
            default:  // rows of one colour each, values that differ only in high bits
                for (std::size_t i = 0; i < size; ++i)
                    p[i] = static_cast<std::uint8_t>((i / static_cast<std::size_t>(width)) % 3 +
                                                     pick(0, 15) * 16);
                break;
            }
            pictures.push_back({(colour ? "colour #" : "two colours #") + std::to_string(n), width,
                                height, std::move(p)});
        }
        // The largest pictures, all literal: exactly at the bound.
        pictures.push_back({colour ? "colour worst case" : "two colours worst case", widest, 250,
                            Pixels{}.repeat(static_cast<std::size_t>(widest) * 125, {0, 1}).bytes});
    }

    for (const auto& pic : pictures) {
        const bool colour = pic.what.starts_with("colour");
        const std::size_t group = colour ? 8 : 16;
        const std::uint8_t mask = colour ? 7 : 1;
        const Bytes stream = encode(colour, pic.pixels);
        const auto d = fit_test::decode_tav_stream(stream, colour, pic.pixels.size());
        ASSERT_TRUE(d.ok()) << pic.what << ": " << d.error;
        for (std::size_t i = 0; i < pic.pixels.size(); ++i)
            ASSERT_EQ(d.colours[i], pic.pixels[i] & mask) << pic.what << ", pixel " << i;
        EXPECT_EQ(d.unjoined_markers, 0) << pic.what;
        EXPECT_EQ(d.uniform_literals, 0) << pic.what;
        EXPECT_EQ(d.split_runs, 0) << pic.what;
        const std::size_t bound = picfit::stream_bound(pic.pixels.size() / group, colour ? 3 : 2);
        EXPECT_LE(stream.size(), bound) << pic.what;
        EXPECT_LE(stream.size(), colour ? 30079u : 20079u) << pic.what;
        if (pic.what.ends_with("worst case")) {
            EXPECT_EQ(stream.size(), colour ? 30079u : 20079u);
        }
    }
}
