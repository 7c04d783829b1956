// Source pictures other than today's PCX: PNG (every colour type and depth), GIF (its
// first frame), BMP and JPEG (baseline and progressive, turned upright by its EXIF
// orientation), told apart by their content whatever the file is called, and decoded
// from memory into 8-bit RGB or RGBA once the front (picture_front.hpp) has taken them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace picfit {

enum class PictureKind { unknown, pcx, png, gif, bmp, jpeg };

// The kind the file's first bytes announce. pcx only says that the PCX reader is the
// one to judge the file (its first byte is the PCX maker's mark); unknown is a file
// no reader takes.
PictureKind picture_kind(std::span<const std::uint8_t> file);

// "PCX", "PNG", "GIF", "BMP", "JPEG"; "unknown".
const char* kind_name(PictureKind kind);

// The kinds accepted, for a message: "PCX (8 bits, 1 plane), PNG, GIF, BMP, JPEG".
const char* accepted_kinds();

// Pixels as the chain reads them: `channels` bytes a pixel, red, green, blue and, with
// 4, alpha (255 opaque), row after row from the top, with nothing between rows.
struct PixelView {
    int width = 0;
    int height = 0;
    int channels = 4;
    std::span<const std::uint8_t> pixels;
};

// Four bytes a pixel, red, green, blue and alpha (255 opaque), row after row from the
// top, with nothing between rows.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    operator PixelView() const { return {width, height, 4, pixels}; }
};

// A decoded picture, its pixels left in the decoder's own buffer: for a large photo
// that buffer is most of picfit's memory, so it is neither copied nor given an alpha
// channel the file does not have (3 bytes a pixel then, 4 otherwise).
struct DecodedPicture {
    struct Free {
        void operator()(std::uint8_t* pixels) const noexcept;
    };
    int width = 0;
    int height = 0;
    int channels = 4;
    std::span<const std::uint8_t> pixels;  // empty unless decoded
    std::unique_ptr<std::uint8_t, Free> owner;

    operator PixelView() const { return {width, height, channels, pixels}; }
};

// Pictures beyond these, as they are to be shown, are refused before anything is
// allocated for them. The default is the limit of a picture to be fitted: a phone's
// 8000 x 6000 photo is well within it.
struct PictureLimits {
    int widest = 16384;
    int highest = 16384;
    std::size_t most_pixels = std::size_t{1} << 26;  // 64 Mi pixels
};

enum class DecodeStatus {
    ok,
    unknown_kind,  // not PNG, GIF, BMP or JPEG (a PCX included: it has its own reader)
    too_large,     // beyond the limits
    too_long,      // the file goes on past what a picture of its size can need
    corrupt,       // of its kind by its first bytes, but cut short, damaged or not decodable
    memory,
};

struct Decoded {
    DecodeStatus status = DecodeStatus::unknown_kind;
    PictureKind kind = PictureKind::unknown;
    // The size the header gives, as the picture is shown (0 when it gives none), and the
    // most bytes a file of that size may have.
    int width = 0;
    int height = 0;
    std::size_t most_bytes = 0;
    DecodedPicture picture;  // filled in when status is ok
};

// Decodes a PNG, GIF, BMP or JPEG file held in memory. A palette shorter than its
// indices reach (a PNG's PLTE, a BMP's colour table) is made whole with black; no
// decompression may allocate more than the header implies.
Decoded decode_picture(std::span<const std::uint8_t> file, const PictureLimits& limits = {});

}  // namespace picfit
