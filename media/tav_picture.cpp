#include "tav_picture.hpp"

namespace media {

std::optional<Picture> decode_tav(std::span<const std::uint8_t> file) {
    using namespace tav;
    if (file.size() < kHeaderSize || !std::equal(kMagic.begin(), kMagic.end(), file.begin()))
        return std::nullopt;
    const std::uint8_t mode = file[kModeAt];
    if (mode != kTwoColourMode && mode != kColourMode) return std::nullopt;
    const bool colour = mode == kColourMode;
    const ModeFacts& facts = mode_facts(colour);
    const std::size_t length = static_cast<std::size_t>(file[kLengthAt]) << 8 | file[kLengthAt + 1];
    const std::span<const std::uint8_t> stream = file.subspan(kHeaderSize);
    if (stream.size() != length) return std::nullopt;

    Picture picture{file[kWidthAt] * facts.group, file[kHeightAt], colour, {}};
    const std::size_t pixels = picture.width * picture.height;
    picture.pixels.reserve(pixels);
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::uint8_t item = stream[at++];
        if ((item & kLiteralMarker) == 0) {
            const std::size_t count = ((item >> facts.count_shift) + 1u) * facts.group;
            if (picture.pixels.size() + count > pixels) return std::nullopt;
            picture.pixels.insert(picture.pixels.end(), count,
                                  static_cast<std::uint8_t>(item & facts.colour_mask));
            continue;
        }
        const std::size_t groups = item - kLiteralMarker + 1u;
        if (at + groups * facts.literal_bytes > stream.size() ||
            picture.pixels.size() + groups * facts.group > pixels)
            return std::nullopt;
        for (std::size_t g = 0; g < groups; ++g, at += facts.literal_bytes) {
            const std::uint8_t* bytes = stream.data() + at;
            for (std::size_t p = 0; p < facts.group; ++p) {
                // Colour: bit planes blue, green, red; two colours: even pixels in the
                // first byte, odd in the second; the first pixel in bit 7.
                if (colour) {
                    const unsigned bit = 7 - static_cast<unsigned>(p);
                    picture.pixels.push_back(static_cast<std::uint8_t>(
                        (bytes[0] >> bit & 1) << 2 | (bytes[1] >> bit & 1) << 1 | (bytes[2] >> bit & 1)));
                } else {
                    const unsigned bit = 7 - static_cast<unsigned>(p / 2);
                    picture.pixels.push_back(static_cast<std::uint8_t>(bytes[p % 2] >> bit & 1));
                }
            }
        }
    }
    if (picture.pixels.size() != pixels) return std::nullopt;
    return picture;
}

}  // namespace media
