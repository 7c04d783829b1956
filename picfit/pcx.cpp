#include "pcx.hpp"
#include "media/byte_order.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/allocation.hpp"

namespace picfit {

namespace {

bool accepted_kind(std::span<const std::uint8_t> file) {
    return file.size() >= kPcxHeaderSize && file[0] == 0x0A && file[2] == 1 && file[3] == 8 &&
           file[65] == 1;
}

bool size_fits(int width, int height, int mode) {
    const SizeLimits limits = size_limits(mode);
    // Zero passes: it gives an empty picture, which the encoding step refuses.
    return width >= 0 && height >= 0 && width <= limits.widest && height <= limits.highest &&
           width % limits.multiple == 0;
}

// PCX run-length scheme: a byte with both top bits set repeats the next byte by its
// low six bits; any other byte is one pixel. Rows play no part, and copies beyond the
// last pixel are dropped. False when the data ends before the picture is full.
bool decode_pixels(std::span<const std::uint8_t> data, std::span<std::uint8_t> pixels) {
    std::size_t in = 0;
    std::size_t out = 0;
    while (out < pixels.size()) {
        // Eight single pixels at once while none of them looks like a run byte.
        if (data.size() - in >= 8 && pixels.size() - out >= 8) {
            std::uint64_t eight = 0;
            std::memcpy(&eight, data.data() + in, sizeof eight);
            if ((eight & eight << 1 & 0x8080808080808080ull) == 0) {
                std::memcpy(pixels.data() + out, &eight, sizeof eight);
                in += 8;
                out += 8;
                continue;
            }
        }
        if (in == data.size()) return false;
        const std::uint8_t byte = data[in++];
        if ((byte & 0xC0) != 0xC0) {
            pixels[out++] = byte;
            continue;
        }
        if (in == data.size()) return false;
        const std::uint8_t value = data[in++];
        const std::size_t count = std::min<std::size_t>(byte & 0x3F, pixels.size() - out);
        // Most runs of a noisy picture are a single pixel that looks like a run byte:
        // no call for those.
        if (count == 1)
            pixels[out] = value;
        else
            std::memset(pixels.data() + out, value, count);
        out += count;
    }
    return true;
}

}  // namespace

std::optional<Picture> decode_pcx(std::span<const std::uint8_t> file, int mode,
                                  fit::Reporter& report) {
    if (!accepted_kind(file)) {
        report.error(kBadFormat);
        return std::nullopt;
    }
    const int width =
        static_cast<int>(media::low_byte_first(file, 8)) - static_cast<int>(media::low_byte_first(file, 4)) + 1;
    const int height =
        static_cast<int>(media::low_byte_first(file, 10)) - static_cast<int>(media::low_byte_first(file, 6)) + 1;
    if (!size_fits(width, height, mode)) {
        report.error(kBadSize);
        return std::nullopt;
    }

    std::optional<Picture> picture(std::in_place);
    picture->width = static_cast<std::size_t>(width);
    picture->height = static_cast<std::size_t>(height);
    picture->colour = mode != kTwoColour;
    const std::size_t count = picture->width * picture->height;
    if (!fit::try_allocate([&] {
            picture->pixels.reserve(count);
            fit::prepare_pages(picture->pixels.data(), count);
            picture->pixels.assign(count, 0);
        })) {
        report.error(kMemory);
        return std::nullopt;
    }
    if (!decode_pixels(file.subspan(kPcxHeaderSize), picture->pixels)) {
        // A picture with pixels missing would be converted wrongly without a word.
        report.error(kBadFormat);
        return std::nullopt;
    }
    return picture;
}

}  // namespace picfit
