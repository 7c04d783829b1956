#include <algorithm>
#include <vector>

#include "checks.hpp"
#include "input.hpp"
#include "picfit/encoder.hpp"
#include "picfit/picture_chain.hpp"
#include "picfit/picture_fit.hpp"
#include "picfit/picture_front.hpp"
#include "picfit/picture_input.hpp"
#include "support/tav_decode.hpp"

namespace fit_fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string check_record(const picfit::Picture& r, int mode) {
    if (!picfit::fits_mode(r.width, r.height, mode)) return "the record does not fit the mode";
    if (r.colour != (mode != picfit::kTwoColour)) return "the record has the wrong mode";
    if (r.pixels.size() != static_cast<std::size_t>(r.width) * r.height) return "the record's pixels are not its size";
    const int colours = mode != picfit::kTwoColour ? 8 : 2;
    for (const auto v : r.pixels)
        if (v >= colours) return "an index outside the palette";
    return "";
}

// The encoder's stream of the record decodes back to its indices.
std::string check_stream(picfit::Picture r, int mode) {
    const Bytes indices = r.pixels;
    const bool colour = mode == picfit::kColour;
    picfit::TavRecord tav;
    const int length = colour ? picfit::encode_colour_tav(r, tav) : picfit::encode_two_colour_tav(r, tav);
    if (length <= 0) return "the encoder refused a fitted picture";
    const auto d = fit_test::decode_tav_stream(
        std::span(tav.stream).first(static_cast<std::size_t>(length)), colour, indices.size());
    if (!d.ok()) return d.error;
    if (d.colours != indices) return "the stream does not decode to the mapped picture";
    return "";
}

// The picture's top-left corner within the mode's limits, every channel pushed to off
// or full and made opaque (grey in two-colour mode): it must map to exactly the
// palette colours it has, whatever the dithering.
std::string check_exact(const picfit::DecodedPicture& p, const picfit::PictureOptions& options) {
    const bool colour = options.mode == picfit::kColour;
    const int group = colour ? 8 : 16;
    const int width = std::min(p.width, colour ? 320 : 640) / group * group;
    const int height = std::min(p.height, 250);
    if (width == 0) return "";
    picfit::RgbaPicture exact;
    exact.width = width;
    exact.height = height;
    Bytes want;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* px = &p.pixels[(static_cast<std::size_t>(y) * p.width + x) * p.channels];
            int index = 0;
            for (int c = 0; c < 3; ++c) {
                const bool on = px[colour ? c : 0] >= 128;
                exact.pixels.push_back(on ? 255 : 0);
                if (on) index |= colour ? 1 << c : 1;
            }
            exact.pixels.push_back(255);
            want.push_back(static_cast<std::uint8_t>(index));
        }
    }
    picfit::PictureOptions o = options;
    o.fit = false;
    picfit::Picture r;
    if (picfit::picture_record(exact, o, r) != picfit::PictureStatus::ok) return "an exact picture was refused";
    if (r.pixels != want) return "an exact picture did not map exactly";
    return "";
}

}  // namespace

std::string check_picture(std::span<const std::uint8_t> input) {
    Input in(input);
    const std::uint8_t settings = in.byte();
    picfit::PictureOptions options;
    options.mode = (settings & 1) != 0 ? picfit::kColour : picfit::kTwoColour;
    options.dither = static_cast<picfit::Dither>((settings >> 1 & 7) % 5);
    options.background = {in.byte(), in.byte(), in.byte()};
    const auto file = in.rest();

    // Small limits keep every run quick; the limits themselves are the same code.
    picfit::PictureLimits limits;
    limits.widest = limits.highest = 4096;
    limits.most_pixels = 1 << 20;
    const picfit::Decoded d = picfit::decode_picture(file, limits);
    if (d.status != picfit::DecodeStatus::ok) {
        if (!d.picture.pixels.empty()) return "a refused picture has pixels";
        return "";
    }
    // What was decoded is what the reader would have read whole.
    if (file.size() > picfit::source_limit(file)) return "a picture decoded from a file longer than its kind can be";
    const picfit::DecodedPicture& p = d.picture;
    if (p.width < 1 || p.height < 1 || p.width > limits.widest || p.height > limits.highest)
        return "a decoded picture beyond the limits";
    if (p.channels != 3 && p.channels != 4) return "pixels neither RGB nor RGBA";
    if (p.pixels.size() != static_cast<std::size_t>(p.width) * p.height * p.channels)
        return "the pixels are not the picture's size";

    picfit::Picture as_is;
    const picfit::PictureStatus status = picfit::picture_record(p, options, as_is);
    if ((status == picfit::PictureStatus::ok) != picfit::fits_mode(p.width, p.height, options.mode))
        return "a picture was taken or refused against its size";

    options.fit = true;
    picfit::Picture fitted;
    if (picfit::picture_record(p, options, fitted) != picfit::PictureStatus::ok) return "a fitted picture was refused";
    const picfit::FitPlan plan = picfit::fit_plan(p.width, p.height, options.mode);
    if (fitted.width != static_cast<std::size_t>(plan.width) || fitted.height != static_cast<std::size_t>(plan.height))
        return "the fitted size is not the plan's";
    if (status == picfit::PictureStatus::ok && fitted.pixels != as_is.pixels)
        return "fitting changed a picture that fits";
    std::string broken = check_record(fitted, options.mode);
    if (broken.empty()) broken = check_stream(fitted, options.mode);
    if (broken.empty()) broken = check_exact(p, options);
    return broken;
}

}  // namespace fit_fuzz
