// The decoder's front against hostile files, and JPEG input: each hostile file's
// refusal as a user sees it, every cut of every kind refused, palettes made whole,
// BMPs from the top down, the eight EXIF orientations, and the JPEG decoder's SIMD and
// plain paths giving the same pixels.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "jpeg_decode.hpp"
#include "picfit/pcx.hpp"
#include "picfit/picture_front.hpp"
#include "picfit/picture_input.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using fit_test::Bytes;

const fs::path kPictures = fs::path(FIT_TEST_DATA) / "picture";

Bytes picture(const std::string& name) { return fit_test::read_bytes((kPictures / name).string()); }

constexpr const char* kLoading = "ERROR: When loading source file.\n";

}  // namespace

TEST(PictureFront, HostileFilesAreRefused) {
    struct Case {
        const char* file;
        bool fit;
        std::string err;
    };
    const std::string bad_size = std::string("ERROR: Bad image size.\n") + kLoading;
    const auto bad = [](const char* kind) { return std::string("ERROR: Bad ") + kind + " source format.\n" + kLoading; };
    const Case cases[] = {
        // 64 KiB inflating to 64 MiB more than its 8 x 1 pixels need.
        {"hostile/bomb-8x1.png", true, bad("PNG")},
        {"hostile/bad-crc.png", true, bad("PNG")},
        {"hostile/bad-adler.png", true, bad("PNG")},
        {"hostile/no-iend.png", true, bad("PNG")},
        {"hostile/short-rows.png", true, bad("PNG")},
        // Pictures far beyond the mode, refused by their header alone.
        {"hostile/deep-4096x4096.png", false, bad_size},
        {"hostile/screen-16384x2048.gif", false, bad_size},
        {"hostile/header-16384x2048.bmp", false, bad_size},
        {"hostile/header-16384x2048.bmp", true, bad("BMP")},
        {"hostile/cut-colour.gif", true, bad("GIF")},
        {"hostile/cut-colour.bmp", true, bad("BMP")},
        {"hostile/cut-cat-96x64.jpg", true, bad("JPEG")},
        // Longer than a 16 x 8 PNG can be: its rows stored, and the allowance beyond.
        {"longer.png", true,
         std::string("picfit: the source goes on past the 16778681 bytes a 16 x 8 PNG can need\n") + kLoading},
    };
    const fit_test::TempDir dir;
    Bytes longer = picture("exact/colour-rgb8.png");
    longer.resize(16778682, 0);
    dir.write("longer.png", longer);
    for (const Case& c : cases) {
        const fs::path source = fs::exists(kPictures / c.file) ? kPictures / c.file : fs::path(dir.file(c.file));
        std::vector<std::string> args{"--no-dump", source.string(), "out.tav"};
        if (c.fit) args.insert(args.begin(), "--fit");
        const auto r = fit_test::run_program("picfit", args, dir.path());
        EXPECT_EQ(r.status, 2) << c.file;
        EXPECT_EQ(r.err, c.err) << c.file;
        EXPECT_FALSE(fs::exists(dir.file("out.tav"))) << c.file;
    }
}

TEST(PictureFront, EveryCutIsRefused) {
    struct Case {
        const char* file;
    };
    // Every length short of the whole, a GIF cut just before its trailer included.
    const Case cases[] = {
        {"exact/colour-rgb8.png"}, {"exact/colour-palette4.png"}, {"exact/colour.gif"},
        {"exact/colour.bmp"},      {"jpeg/cat-96x64.jpg"},       {"jpeg/cat-96x64-progressive.jpg"},
        {"jpeg/cat-96x64-grey.jpg"},
    };
    for (const Case& c : cases) {
        const Bytes whole = picture(c.file);
        ASSERT_EQ(picfit::decode_picture(whole).status, picfit::DecodeStatus::ok) << c.file;
        for (std::size_t n = 1; n < whole.size(); ++n) {
            const picfit::Decoded d = picfit::decode_picture(std::span(whole).first(n));
            ASSERT_NE(d.status, picfit::DecodeStatus::ok) << c.file << " cut to " << n;
            EXPECT_TRUE(d.picture.pixels.empty());
        }
    }
}

// Indices beyond a short palette come out black, whatever memory held.
TEST(PictureFront, ShortPalettesAreMadeWholeWithBlack) {
    struct Case {
        const char* file;
        std::vector<std::uint8_t> rgb;
    };
    const Case cases[] = {
        {"hostile/short-plte.png", {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0}},
        {"hostile/short-palette.bmp", {0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const picfit::Decoded d = picfit::decode_picture(picture(c.file));
        ASSERT_EQ(d.status, picfit::DecodeStatus::ok) << c.file;
        Bytes rgb;
        for (std::size_t i = 0; i < d.picture.pixels.size(); i += d.picture.channels)
            rgb.insert(rgb.end(), d.picture.pixels.begin() + i, d.picture.pixels.begin() + i + 3);
        EXPECT_EQ(rgb, c.rgb) << c.file;
    }
    // What the decoder is given: a PLTE of 256 entries with its CRC right, a BMP colour
    // table of 256 entries before pixel data that starts that much later.
    const Bytes png = picfit::palette_padded(picfit::PictureKind::png, picture("hostile/short-plte.png"));
    ASSERT_GT(png.size(), 45u);
    EXPECT_EQ((png[33] << 24 | png[34] << 16 | png[35] << 8 | png[36]), 768);
    EXPECT_TRUE(picfit::whole_file(picfit::PictureKind::png, png));
    const Bytes bmp = picfit::palette_padded(picfit::PictureKind::bmp, picture("hostile/short-palette.bmp"));
    ASSERT_GT(bmp.size(), 14u);
    EXPECT_EQ(bmp[10] | bmp[11] << 8, 54 + 256 * 4);
    EXPECT_TRUE(picfit::palette_padded(picfit::PictureKind::png, picture("exact/colour-rgb8.png")).empty());
}

TEST(PictureFront, TopDownBmpIsTheBottomUpOne) {
    const picfit::Decoded top = picfit::decode_picture(picture("hostile/top-down.bmp"));
    const picfit::Decoded bottom = picfit::decode_picture(picture("hostile/bottom-up.bmp"));
    ASSERT_EQ(top.status, picfit::DecodeStatus::ok);
    ASSERT_EQ(bottom.status, picfit::DecodeStatus::ok);
    EXPECT_EQ(top.picture.height, 2);
    EXPECT_EQ(Bytes(top.picture.pixels.begin(), top.picture.pixels.end()),
              Bytes(bottom.picture.pixels.begin(), bottom.picture.pixels.end()));
    EXPECT_EQ(top.picture.pixels[0], 255);  // red on top
}

// quarters-N.jpg is stored so that orientation N shows red, green, blue and white
// quarters from the top left.
TEST(PictureFront, ExifOrientationsComeOutUpright) {
    using Rgb = std::array<int, 3>;
    const Rgb quarters[] = {{254, 0, 0}, {0, 255, 1}, {0, 0, 254}, {255, 255, 255}};
    for (int o = 1; o <= 8; ++o) {
        const std::string name = "jpeg/quarters-" + std::to_string(o) + ".jpg";
        const picfit::Decoded d = picfit::decode_picture(picture(name));
        ASSERT_EQ(d.status, picfit::DecodeStatus::ok) << name;
        ASSERT_EQ(d.picture.width, 32) << name;
        ASSERT_EQ(d.picture.height, 48) << name;
        for (int q = 0; q < 4; ++q) {
            const int x = q % 2 * 16 + 8;
            const int y = q / 2 * 24 + 12;
            const auto* px = &d.picture.pixels[(static_cast<std::size_t>(y) * 32 + x) * d.picture.channels];
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(px[c], quarters[q][c], 12) << name << " quarter " << q;
        }
    }
}

TEST(PictureFront, ExifOrientationTag) {
    // An APP1 payload with one IFD entry: tag, type, count and value as given.
    const auto app1 = [](bool little, int tag, int type, int count, int value) {
        Bytes b{'E', 'x', 'i', 'f', 0, 0};
        const auto put = [&](std::uint32_t v, int size) {
            for (int i = 0; i < size; ++i)
                b.push_back(static_cast<std::uint8_t>(v >> (8 * (little ? i : size - 1 - i))));
        };
        b.push_back(little ? 'I' : 'M');
        b.push_back(little ? 'I' : 'M');
        put(42, 2);
        put(8, 4);
        put(1, 2);
        put(static_cast<std::uint32_t>(tag), 2);
        put(static_cast<std::uint32_t>(type), 2);
        put(static_cast<std::uint32_t>(count), 4);
        put(static_cast<std::uint32_t>(value), 2);
        put(0, 2);
        return b;
    };
    struct Case {
        Bytes app1;
        int orientation;
    };
    const Bytes whole = app1(false, 0x0112, 3, 1, 6);
    const Case cases[] = {
        {app1(true, 0x0112, 3, 1, 6), 6},
        {whole, 6},
        {app1(true, 0x0112, 3, 1, 8), 8},
        {app1(true, 0x0112, 3, 1, 9), 1},   // no such orientation
        {app1(true, 0x0112, 3, 1, 0), 1},
        {app1(true, 0x0112, 4, 1, 6), 1},   // a LONG, not a SHORT
        {app1(true, 0x0110, 3, 1, 6), 1},   // another tag
        {Bytes(whole.begin(), whole.end() - 6), 1},  // the entry cut short
        {Bytes(whole.begin(), whole.begin() + 5), 1},
        {Bytes{'J', 'F', 'I', 'F', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8}, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(picfit::exif_orientation(c.app1), c.orientation) << c.app1.size();
}

// How far a source is read: a PCX's own limit for anything not of the other kinds
// (an endless run of zero bytes among them), what the header implies for the others.
TEST(PictureFront, ReadingStopsWhereTheKindDoes) {
    const Bytes png = picture("exact/colour-rgb8.png");
    const Bytes jpeg = picture("jpeg/cat-96x64.jpg");
    struct Case {
        Bytes so_far;
        std::size_t limit;
    };
    const Case cases[] = {
        {Bytes(1 << 16, 0), picfit::kPcxReadLimit},
        {Bytes{0x0A, 5, 1, 8, 0, 0, 0, 0}, picfit::kPcxReadLimit},
        {Bytes(png.begin(), png.begin() + 33), 16 * 8 * 3 + 8 + 49 + 1024 + picfit::kMetadataAllowance},
        {Bytes(png.begin(), png.begin() + 20), picfit::kMetadataAllowance},  // no size yet
        {Bytes(jpeg.begin(), jpeg.begin() + 8), picfit::kMetadataAllowance},
        {Bytes{0xFF, 0xD8, 0xFF, 0xD8, 0, 0, 0, 0}, 8},  // a second SOI: nothing more can help
    };
    for (const Case& c : cases) EXPECT_EQ(picfit::source_limit(c.so_far), c.limit) << c.so_far.size();
    // A JPEG's limit, once its frame header is in, grows with its pixels.
    EXPECT_GT(picfit::source_limit(jpeg), picfit::kMetadataAllowance + 96 * 64 * 3);
    Bytes longer = png;
    longer.resize(picfit::source_limit(png) + 1, 0);
    EXPECT_EQ(picfit::decode_picture(longer).status, picfit::DecodeStatus::too_long);
    longer.pop_back();
    EXPECT_EQ(picfit::decode_picture(longer).status, picfit::DecodeStatus::ok);
}

TEST(PictureFront, Checksums) {
    const Bytes text{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(picfit::crc32(text), 0xCBF43926u);
    EXPECT_EQ(picfit::adler32(text), 0x091E01DEu);
    // Past the length at which the sums must be reduced.
    EXPECT_EQ(picfit::adler32(Bytes(100000, 0xFF)), 0x149A302Cu);
}

// The Linux and Windows programs decode with the SSE2 paths, the web module with the
// plain ones: the pixels must be the same.
TEST(PictureFront, JpegSimdAndPlainPathsAgree) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kPictures / "jpeg"))
        if (entry.path().extension() == ".jpg") files.push_back(entry.path());
    files.push_back(fs::path(FIT_TEST_DATA) / "../../examples/cat-160x200-exif.jpg");
    ASSERT_GE(files.size(), 12u);
    for (const fs::path& file : files) {
        const Bytes jpeg = fit_test::read_bytes(file.string());
        int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
        const auto simd = fit_test::decode_jpeg_simd(jpeg, w1, h1);
        const auto plain = fit_test::decode_jpeg_plain(jpeg, w2, h2);
        ASSERT_FALSE(simd.empty()) << file;
        EXPECT_EQ(w1, w2);
        EXPECT_EQ(h1, h2);
        EXPECT_TRUE(simd == plain) << file;
    }
}
