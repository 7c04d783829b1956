#include "picfit/pcx.hpp"

#include <gtest/gtest.h>

#include "pcx_builder.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::PcxFields;
using fit_test::TempDir;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

struct Read {
    std::optional<picfit::Picture> picture;
    int code = 0;
    std::string err;
};

// The reader's picture, with what it printed and the first code it reported.
template <class Reader>
Read captured(Reader&& reader) {
    fit::Reporter report(fit::picfit_errors);
    Read r;
    CaptureStderr();
    r.picture = reader(report);
    r.err = GetCapturedStderr();
    r.code = report.first_code();
    return r;
}

Read decode(const Bytes& file, int mode = picfit::kColour) {
    return captured([&](fit::Reporter& report) { return picfit::decode_pcx(file, mode, report); });
}


// A picture of the size with a blank pixel data that fills it.
Bytes blank(int width, int height) {
    const std::size_t n = width > 0 && height > 0 ? static_cast<std::size_t>(width * height) : 0;
    return fit_test::make_pcx(width, height, Bytes(n, 0));
}

PcxFields fields(std::uint16_t xmin, std::uint16_t ymin, std::uint16_t xmax, std::uint16_t ymax) {
    PcxFields f;
    f.xmin = xmin;
    f.ymin = ymin;
    f.xmax = xmax;
    f.ymax = ymax;
    return f;
}

}  // namespace

TEST(PcxReader, SizeLimitsOfEachMode) {
    struct Case {
        int width, height;
        bool colour_ok, two_colour_ok;
    };
    const Case cases[] = {
        {320, 250, true, true},  {328, 250, false, false}, {320, 251, false, false},
        {640, 200, false, true}, {640, 250, false, true},  {656, 200, false, false},
        {8, 10, true, false},    {24, 10, true, false},    {16, 250, true, true},
        {16, 251, false, false}, {12, 10, false, false},
    };
    for (const auto& c : cases) {
        for (const int mode : {picfit::kColour, picfit::kTwoColour}) {
            const bool ok = mode == picfit::kColour ? c.colour_ok : c.two_colour_ok;
            const Read r = decode(blank(c.width, c.height), mode);
            const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height) +
                                     (mode == picfit::kColour ? " colour" : " two colours");
            ASSERT_EQ(r.picture.has_value(), ok) << what;
            if (ok) {
                EXPECT_EQ(r.picture->width, static_cast<std::size_t>(c.width)) << what;
                EXPECT_EQ(r.picture->height, static_cast<std::size_t>(c.height)) << what;
                EXPECT_EQ(r.picture->colour, mode == picfit::kColour) << what;
                EXPECT_EQ(r.picture->pixels.size(), static_cast<std::size_t>(c.width * c.height))
                    << what;
                EXPECT_EQ(r.err, "") << what;
            } else {
                EXPECT_EQ(r.err, "ERROR: Bad image size.\n") << what;
            }
        }
    }
}

TEST(PcxReader, FillsTheRecordFromAnyWindow) {
    Bytes data;
    for (int i = 0; i < 8000; ++i) data.insert(data.end(), {0xC8, 0x00});
    const Read r = decode(fit_test::pcx_with_data(fields(100, 50, 419, 249), data));
    ASSERT_TRUE(r.picture) << r.err;
    EXPECT_EQ(r.picture->width, 320u);
    EXPECT_EQ(r.picture->height, 200u);
    EXPECT_TRUE(r.picture->colour);
    EXPECT_EQ(r.picture->pixels, Bytes(64000, 0));
}

TEST(PcxReader, WindowsBelowZeroAreRefusedAndZeroIsEmpty) {
    struct Case {
        PcxFields f;
        bool accepted;
    };
    const Case cases[] = {
        {fields(10, 0, 8, 9), false},      // width -1
        {fields(0, 20, 7, 5), false},      // height -14
        {fields(0, 0, 0xFFFF, 9), false},  // width 65536
        {fields(9, 0, 8, 9), true},        // width 0
        {fields(0, 5, 7, 4), true},        // height 0
    };
    for (const auto& c : cases) {
        const Read r = decode(fit_test::pcx_with_data(c.f, {}));
        EXPECT_EQ(r.picture.has_value(), c.accepted) << c.f.xmin << ".." << c.f.xmax;
        if (c.accepted) {
            EXPECT_TRUE(r.picture->pixels.empty());
        } else {
            EXPECT_EQ(r.code, picfit::kBadSize);
            EXPECT_EQ(r.err, "ERROR: Bad image size.\n");
        }
    }
}

TEST(PcxReader, RefusesOtherKindsOfFile) {
    const auto with = [](auto change) {
        PcxFields f = fit_test::window(8, 1);
        change(f);
        return fit_test::pcx_with_data(f, Bytes(8, 1));
    };
    const Bytes good = with([](PcxFields&) {});
    const Bytes refused[] = {
        with([](PcxFields& f) {
            f.bits = 1;
            f.planes = 4;
        }),                                        // 16 colours
        with([](PcxFields& f) { f.planes = 3; }),  // 24 bits
        with([](PcxFields& f) { f.manufacturer = 0x0B; }),
        with([](PcxFields& f) { f.encoding = 0; }),
        with([](PcxFields& f) { f.bits = 4; }),
        Bytes(good.begin(), good.begin() + 127),  // shorter than the header
        Bytes{0x0A},
    };
    for (const auto& file : refused) {
        const Read r = decode(file);
        EXPECT_FALSE(r.picture);
        EXPECT_EQ(r.err, "ERROR: Bad PCX source format.\n");
    }
    for (const std::uint8_t version : {0, 2, 3, 5, 0xFF}) {
        EXPECT_TRUE(decode(with([&](PcxFields& f) { f.version = version; })).picture) << int{version};
    }
}

TEST(PcxReader, DecodesRunsAcrossRowsAndDropsWhatLiesBeyond) {
    // 8 x 2: C5 07 is five 7s, C0 07 nothing, 41 one pixel, 0xC6 0xD0 a run over the
    // row's end; the rest of the last run and the palette are dropped.
    const Bytes data{0xC5, 0x07, 0xC0, 0x07, 0x41, 0xC6, 0xD0, 0xC4, 0x02, 0xC9, 0x33, 0x0C, 0x11};
    const Read r = decode(fit_test::pcx_with_data(fit_test::window(8, 2), data));
    ASSERT_TRUE(r.picture) << r.err;
    EXPECT_EQ(r.picture->pixels, (Bytes{7, 7, 7, 7, 7, 0x41, 0xD0, 0xD0,  //
                                   0xD0, 0xD0, 0xD0, 0xD0, 2, 2, 2, 2}));
    // An exact fit needs nothing after the last pixel.
    EXPECT_TRUE(decode(fit_test::pcx_with_data(fit_test::window(8, 1), {0xC8, 3})).picture);
}

TEST(PcxReader, RefusesPixelDataThatEndsEarly) {
    const Bytes short_data[] = {
        {},
        {0xC7, 0x01},                 // 7 of 8 pixels
        {0xC5, 0x01, 0x02, 0x02},     // 7 of 8
        {0xC7, 0x01, 0xC1},           // a run byte without its value
        {0xC0, 0x05, 0xC0, 0x05, 1},  // runs of nothing
    };
    for (const auto& data : short_data) {
        const Read r = decode(fit_test::pcx_with_data(fit_test::window(8, 1), data));
        EXPECT_FALSE(r.picture) << data.size() << " bytes";
        EXPECT_EQ(r.err, "ERROR: Bad PCX source format.\n");
    }
}

TEST(PcxReader, ReadsTheWholeFileHoweverLong) {
    // 320 x 250 pixels that all need a run byte: 160000 bytes of pixel data.
    Bytes pixels(80000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(0xC0 + i % 61);
    const Bytes file = fit_test::make_pcx(320, 250, pixels);
    ASSERT_GT(file.size(), 160000u);
    const Read r = decode(file);
    ASSERT_TRUE(r.picture) << r.err;
    EXPECT_EQ(r.picture->pixels, pixels);

    const Read noise = decode(fit_test::read_bytes(std::string(FIT_TEST_DATA) + "/noise-320x250-pillow.pcx"));
    ASSERT_TRUE(noise.picture) << noise.err;
    EXPECT_EQ(noise.picture->pixels.size(), 80000u);
}
