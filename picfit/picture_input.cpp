#include "picture_input.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/file_io.hpp"

// The one place the decoder is compiled: three kinds only, from memory only, and no
// floating-point formats.
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 65536
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
// The decoder's allocations. For a large picture its two big buffers (the inflated
// rows and the pixels) would be thousands of small pages, each faulted in on first
// touch (half the run's system time for a 1920 x 1080 photo): blocks from half a
// megabyte on come whole from map_pages, in huge pages where the system has them.
// Each block starts with its size, since the decoder frees without one.
namespace {
struct alignas(16) BlockHead {
    std::size_t bytes;
};
constexpr std::size_t kMapped = std::size_t{512} << 10;

void* take_block(std::size_t bytes) {
    if (bytes > SIZE_MAX - sizeof(BlockHead)) return nullptr;
    const std::size_t whole = bytes + sizeof(BlockHead);
    void* p = whole < kMapped ? std::malloc(whole) : fit::map_pages(whole);
    if (p == nullptr) return nullptr;
    static_cast<BlockHead*>(p)->bytes = bytes;
    return static_cast<BlockHead*>(p) + 1;
}

void give_block(void* block) noexcept {
    if (block == nullptr) return;
    BlockHead* head = static_cast<BlockHead*>(block) - 1;
    const std::size_t whole = head->bytes + sizeof(BlockHead);
    if (whole < kMapped)
        std::free(head);
    else
        fit::release_pages(head, whole);
}

// Like realloc: the old block stays whole when no new one can be had.
void* retake_block(void* block, std::size_t bytes) {
    if (block == nullptr) return take_block(bytes);
    const std::size_t old = (static_cast<BlockHead*>(block) - 1)->bytes;
    void* grown = take_block(bytes);
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, block, std::min(old, bytes));
    give_block(block);
    return grown;
}
}  // namespace
#define STBI_MALLOC(bytes) take_block(bytes)
#define STBI_REALLOC(block, bytes) retake_block(block, bytes)
#define STBI_FREE(block) give_block(block)
// The decoder copies nothing from or to a null pointer for an empty PNG chunk:
// harmless, but undefined, so such copies are skipped.
namespace {
void* copy_bytes(void* to, const void* from, std::size_t n) {
    return n == 0 ? to : std::memcpy(to, from, n);
}
}  // namespace
#define memcpy(to, from, n) copy_bytes(to, from, n)
#include <stb_image.h>
#undef memcpy

namespace picfit {

namespace {

bool starts_with(std::span<const std::uint8_t> file, std::initializer_list<std::uint8_t> magic) {
    return file.size() >= magic.size() && std::equal(magic.begin(), magic.end(), file.begin());
}

std::uint32_t big32(std::span<const std::uint8_t> f, std::size_t at) {
    return std::uint32_t{f[at]} << 24 | std::uint32_t{f[at + 1]} << 16 | std::uint32_t{f[at + 2]} << 8 | f[at + 3];
}
std::uint32_t little16(std::span<const std::uint8_t> f, std::size_t at) {
    return f[at] | std::uint32_t{f[at + 1]} << 8;
}
std::uint32_t little32(std::span<const std::uint8_t> f, std::size_t at) {
    return little16(f, at) | little16(f, at + 2) << 16;
}

// The size the header claims, as far as the file holds it; 0 where it does not.
struct Claimed {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};

Claimed claimed_size(PictureKind kind, std::span<const std::uint8_t> f) {
    switch (kind) {
    case PictureKind::png:
        if (f.size() >= 24) return {big32(f, 16), big32(f, 20)};
        break;
    case PictureKind::gif:
        if (f.size() >= 10) return {little16(f, 6), little16(f, 8)};
        break;
    case PictureKind::bmp:
        if (f.size() >= 18 && little32(f, 14) == 12 && f.size() >= 22)
            return {little16(f, 18), little16(f, 20)};
        if (f.size() >= 26) {
            // A negative height is a picture stored from the top down.
            const auto h = static_cast<std::int32_t>(little32(f, 22));
            const auto w = static_cast<std::int32_t>(little32(f, 18));
            const auto magnitude = [](std::int32_t v) {
                return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(static_cast<std::int64_t>(v))
                             : static_cast<std::uint64_t>(v);
            };
            return {magnitude(w), magnitude(h)};
        }
        break;
    case PictureKind::pcx:
    case PictureKind::unknown: break;
    }
    return {};
}

// A PNG of grey or RGB without a tRNS chunk (which may come anywhere before the
// pixel data) has no transparency: it is decoded to three bytes a pixel.
bool opaque_png(PictureKind kind, int channels, std::span<const std::uint8_t> f) {
    if (kind != PictureKind::png || (channels != 1 && channels != 3)) return false;
    std::size_t at = 8;
    while (at <= f.size() && f.size() - at >= 8) {
        const std::uint32_t length = big32(f, at);
        const auto type = f.subspan(at + 4, 4);
        if (std::equal(type.begin(), type.end(), "tRNS")) return false;
        if (std::equal(type.begin(), type.end(), "IDAT")) return true;
        if (f.size() - at - 8 < std::uint64_t{length} + 4) return false;
        at += 12 + std::size_t{length};
    }
    return false;
}

}  // namespace

PictureKind picture_kind(std::span<const std::uint8_t> file) {
    if (starts_with(file, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return PictureKind::png;
    if (starts_with(file, {'G', 'I', 'F', '8', '7', 'a'}) ||
        starts_with(file, {'G', 'I', 'F', '8', '9', 'a'}))
        return PictureKind::gif;
    if (starts_with(file, {'B', 'M'})) return PictureKind::bmp;
    if (starts_with(file, {0x0A})) return PictureKind::pcx;
    return PictureKind::unknown;
}

const char* kind_name(PictureKind kind) {
    switch (kind) {
    case PictureKind::pcx: return "PCX";
    case PictureKind::png: return "PNG";
    case PictureKind::gif: return "GIF";
    case PictureKind::bmp: return "BMP";
    case PictureKind::unknown: break;
    }
    return "unknown";
}

const char* accepted_kinds() { return "PCX (8 bits, 1 plane), PNG, GIF, BMP"; }

Decoded decode_picture(std::span<const std::uint8_t> file, const PictureLimits& limits) {
    Decoded d;
    d.kind = picture_kind(file);
    if (d.kind == PictureKind::unknown || d.kind == PictureKind::pcx) {
        d.status = DecodeStatus::unknown_kind;
        return d;
    }
    if (file.size() > static_cast<std::size_t>(INT_MAX)) {
        d.status = DecodeStatus::too_large;
        return d;
    }
    // The size from the header first: a few bytes can claim a picture of gigabytes.
    const auto too_large = [&limits](std::uint64_t width, std::uint64_t height) {
        return width > static_cast<std::uint64_t>(limits.widest) ||
               height > static_cast<std::uint64_t>(limits.highest) || width * height > limits.most_pixels;
    };
    const Claimed claimed = claimed_size(d.kind, file);
    if (too_large(claimed.width, claimed.height)) {
        d.status = DecodeStatus::too_large;
        return d;
    }
    const auto* bytes = reinterpret_cast<const stbi_uc*>(file.data());
    const int length = static_cast<int>(file.size());

    // The decoder's own reading of the header, which is what it allocates by.
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info_from_memory(bytes, length, &width, &height, &channels) == 0 || width <= 0 ||
        height <= 0) {
        d.status = DecodeStatus::corrupt;
        return d;
    }
    if (too_large(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) {
        d.status = DecodeStatus::too_large;
        return d;
    }

    int got_width = 0;
    int got_height = 0;
    const int wanted = opaque_png(d.kind, channels, file) ? 3 : 4;
    std::uint8_t* pixels = stbi_load_from_memory(bytes, length, &got_width, &got_height, &channels, wanted);
    if (pixels == nullptr) {
        const char* why = stbi_failure_reason();
        d.status = why != nullptr && std::strcmp(why, "outofmem") == 0 ? DecodeStatus::memory
                                                                       : DecodeStatus::corrupt;
        return d;
    }
    d.picture.owner.reset(pixels);
    // The header read alone and the whole decode agree for every file of these kinds;
    // a picture that disagreed would be larger than what was checked.
    if (got_width != width || got_height != height) {
        d.picture.owner.reset();
        d.status = DecodeStatus::corrupt;
        return d;
    }
    d.picture.width = width;
    d.picture.height = height;
    d.picture.channels = wanted;
    d.picture.pixels = {pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                    static_cast<std::size_t>(wanted)};
    d.status = DecodeStatus::ok;
    return d;
}

void DecodedPicture::Free::operator()(std::uint8_t* pixels) const noexcept { stbi_image_free(pixels); }

}  // namespace picfit
