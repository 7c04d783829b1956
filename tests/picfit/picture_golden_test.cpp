// The picture cases on disk: each folder of data/picture/golden holds a source
// picture, the options it is converted with and the palette indices expected (the
// record's size, then one row of digits a picture row); the same-picture files of
// data/picture/exact must give exactly the indices they were drawn with, whatever
// their kind and whatever the dithering.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "picfit/pcx.hpp"
#include "picfit/picture_chain.hpp"
#include "picfit/picture_input.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using fit_test::Bytes;

const fs::path kData = fs::path(FIT_TEST_DATA) / "picture";

std::string text_of(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

picfit::PictureOptions options_of(const fs::path& file) {
    picfit::PictureOptions o;
    std::istringstream lines(text_of(file));
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "mode") {
            o.mode = value == "two-colour" ? picfit::kTwoColour : picfit::kColour;
        } else if (key == "dither") {
            const auto d = picfit::dither_named(value);
            EXPECT_TRUE(d.has_value()) << file << ": " << value;
            if (d) o.dither = *d;
        } else if (key == "background") {
            const unsigned long rgb = std::stoul(value, nullptr, 16);
            o.background = {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                            static_cast<std::uint8_t>(rgb)};
        } else if (key == "fit") {
            o.fit = value == "yes";
        } else {
            ADD_FAILURE() << file << ": unknown option " << line;
        }
    }
    return o;
}

std::string as_text(const picfit::Picture& r) {
    std::string s = std::to_string(r.width) + "x" + std::to_string(r.height) + "\n";
    for (std::size_t i = 0; i < r.pixels.size(); ++i) {
        s += static_cast<char>('0' + r.pixels[i]);
        if ((i + 1) % r.width == 0) s += '\n';
    }
    return s;
}

picfit::Picture convert(const fs::path& source, const picfit::PictureOptions& options) {
    const Bytes file = fit_test::read_bytes(source.string());
    const picfit::Decoded d = picfit::decode_picture(file);
    picfit::Picture record;
    EXPECT_EQ(d.status, picfit::DecodeStatus::ok) << source;
    if (d.status == picfit::DecodeStatus::ok) {
        EXPECT_EQ(picfit::picture_record(d.picture, options, record), picfit::PictureStatus::ok) << source;
    }
    return record;
}

}  // namespace

// FIT_UPDATE_PICTURES=1 writes the expected files anew, to be looked at before they
// are committed.
TEST(PictureGolden, EveryCase) {
    const bool update = std::getenv("FIT_UPDATE_PICTURES") != nullptr;
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(kData / "golden")) {
        const fs::path dir = entry.path();
        const std::string got = as_text(convert(dir / "input.png", options_of(dir / "options")));
        if (update) {
            std::ofstream(dir / "expected") << got;
        } else {
            EXPECT_EQ(got, text_of(dir / "expected")) << dir.filename();
        }
        ++cases;
    }
    EXPECT_GE(cases, 16);
}

TEST(PictureGolden, ExactPicturesOfEveryKindMapExactly) {
    struct Case {
        const char* file;
        const char* indices;
        int mode;
        int scale;  // the palette index in the mode of the indices drawn
    };
    const Case cases[] = {
        {"colour-rgb8.png", "colour.idx", picfit::kColour, 1},
        {"colour-rgb16.png", "colour.idx", picfit::kColour, 1},
        {"colour-rgba8.png", "colour.idx", picfit::kColour, 1},
        {"colour-palette4.png", "colour.idx", picfit::kColour, 1},
        {"colour.gif", "colour.idx", picfit::kColour, 1},
        {"colour.bmp", "colour.idx", picfit::kColour, 1},
        {"two-gray1.png", "two.idx", picfit::kTwoColour, 1},
        {"two-gray8.png", "two.idx", picfit::kTwoColour, 1},
        {"two-gray-alpha16.png", "two.idx", picfit::kTwoColour, 1},
        {"two.gif", "two.idx", picfit::kTwoColour, 1},
        {"two.bmp", "two.idx", picfit::kTwoColour, 1},
        // Black and white are colours 0 and 7 of the colour palette.
        {"two.gif", "two.idx", picfit::kColour, 7},
        {"two.bmp", "two.idx", picfit::kColour, 7},
    };
    for (const auto& c : cases) {
        Bytes want = fit_test::read_bytes((kData / "exact" / c.indices).string());
        for (auto& v : want) v = static_cast<std::uint8_t>(v * c.scale);
        for (const auto dither : {picfit::Dither::none, picfit::Dither::floyd_steinberg,
                                  picfit::Dither::atkinson, picfit::Dither::bayer4, picfit::Dither::bayer8}) {
            picfit::PictureOptions o;
            o.mode = c.mode;
            o.dither = dither;
            const picfit::Picture r = convert(kData / "exact" / c.file, o);
            EXPECT_EQ(r.pixels, want) << c.file << " " << picfit::dither_name(dither);
            EXPECT_EQ(r.colour, c.mode != picfit::kTwoColour) << c.file;
        }
    }
}

// The same title written by three PCX writers, each with its own palette order: by
// their palettes they all give the indices of the one whose index i is colour i.
TEST(PictureGolden, PcxPalettesMapToTheSameColours) {
    const auto read = [](const fs::path& path, Bytes& palette) {
        const Bytes file = fit_test::read_bytes(path.string());
        fit::Reporter report(fit::picfit_errors);
        auto tav = picfit::decode_pcx(file, picfit::kColour, report);
        EXPECT_TRUE(tav.has_value()) << path;
        palette.assign(file.end() - 768, file.end());
        return tav.value_or(picfit::Picture{});
    };
    Bytes palette;
    const picfit::Picture reference = read(fs::path(FIT_TEST_DATA) / "title-320x200-pillow.pcx", palette);
    ASSERT_EQ(reference.pixels.size(), 320u * 200u);
    for (const char* writer : {"title-320x200-netpbm.pcx", "title-320x200-imagemagick.pcx",
                               "../title-320x200-pillow.pcx"}) {
        const picfit::Picture pcx = read(kData / writer, palette);
        const picfit::RgbaPicture rgba = picfit::palette_picture(
            std::span<const std::uint8_t, 768>(palette.data(), 768), pcx.pixels, pcx.width, pcx.height);
        picfit::Picture mapped;
        ASSERT_EQ(picfit::picture_record(rgba, {}, mapped), picfit::PictureStatus::ok) << writer;
        EXPECT_EQ(mapped.width, 320);
        EXPECT_EQ(mapped.height, 200);
        EXPECT_EQ(mapped.pixels, reference.pixels) << writer;
    }
}
