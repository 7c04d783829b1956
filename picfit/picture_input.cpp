#include "picture_input.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/allocation.hpp"
#include "common/file_io.hpp"
#include "media/byte_order.hpp"
#include "picture_front.hpp"

// The one place the decoder is compiled: four kinds only, from memory only, and no
// floating-point formats.
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
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
// Every decode has a budget that its header implies: the decoder grows some buffers
// by what the data says (a deflate bomb's inflated rows), and a block past the budget
// is refused like one the system has not got.
namespace {
struct alignas(16) BlockHead {
    std::size_t bytes;
};
constexpr std::size_t kMapped = std::size_t{512} << 10;

struct Budget {
    std::size_t most = SIZE_MAX;  // bytes the live blocks may take together
    std::size_t live = 0;
    bool exceeded = false;
};
Budget budget;

void* take_block(std::size_t bytes) {
    if (bytes > SIZE_MAX - sizeof(BlockHead)) return nullptr;
    if (bytes > budget.most - std::min(budget.most, budget.live)) {
        budget.exceeded = true;
        return nullptr;
    }
    const std::size_t whole = bytes + sizeof(BlockHead);
    void* p = whole < kMapped ? std::malloc(whole) : fit::map_pages(whole);
    if (p == nullptr) return nullptr;
    static_cast<BlockHead*>(p)->bytes = bytes;
    budget.live += bytes;
    return static_cast<BlockHead*>(p) + 1;
}

void give_block(void* block) noexcept {
    if (block == nullptr) return;
    BlockHead* head = static_cast<BlockHead*>(block) - 1;
    budget.live -= head->bytes;
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

// A PNG of grey or RGB without a tRNS chunk (which may come anywhere before the
// pixel data) has no transparency: it is decoded to three bytes a pixel.
bool opaque_png(PictureKind kind, int channels, std::span<const std::uint8_t> f) {
    if (kind != PictureKind::png || (channels != 1 && channels != 3)) return false;
    std::size_t at = 8;
    while (at <= f.size() && f.size() - at >= 8) {
        const std::uint32_t length = media::high_byte_first32(f, at);
        const auto type = f.subspan(at + 4, 4);
        if (std::equal(type.begin(), type.end(), "tRNS")) return false;
        if (std::equal(type.begin(), type.end(), "IDAT")) return true;
        if (f.size() - at - 8 < std::uint64_t{length} + 4) return false;
        at += 12 + std::size_t{length};
    }
    return false;
}


// The pixel data inflated into a buffer of exactly the length the header implies, and
// the stream's Adler-32 checked: a stream that inflates further (a deflate bomb) fails
// at the end of the buffer, and the decoder is only given data known to fit.
DecodeStatus check_png_stream(std::span<const std::uint8_t> file) {
    PngData data;
    if (!png_data(file, data) || data.zlib.size() < 6 || data.zlib.size() > INT_MAX ||
        data.raw_bytes >= INT_MAX)
        return DecodeStatus::corrupt;
    std::vector<std::uint8_t> raw;
    if (!fit::try_allocate([&] { raw.resize(static_cast<std::size_t>(data.raw_bytes) + 1); }))
        return DecodeStatus::memory;
    const int got = stbi_zlib_decode_buffer(reinterpret_cast<char*>(raw.data()), static_cast<int>(raw.size()),
                                            reinterpret_cast<const char*>(data.zlib.data()),
                                            static_cast<int>(data.zlib.size()));
    if (got < 0 || static_cast<std::uint64_t>(got) != data.raw_bytes) return DecodeStatus::corrupt;
    const std::size_t end = data.zlib.size();
    const std::uint32_t stored = std::uint32_t{data.zlib[end - 4]} << 24 | std::uint32_t{data.zlib[end - 3]} << 16 |
                                 std::uint32_t{data.zlib[end - 2]} << 8 | data.zlib[end - 1];
    return adler32(std::span(raw).first(static_cast<std::size_t>(got))) == stored ? DecodeStatus::ok
                                                                                   : DecodeStatus::corrupt;
}

// The pixels turned and mirrored as the EXIF orientation says, into a block of the
// decoder's own (freed as its pixels are); nullptr when there is no room.
std::uint8_t* oriented(const std::uint8_t* from, int width, int height, int channels, int orientation) {
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t n = static_cast<std::size_t>(channels);
    auto* to = static_cast<std::uint8_t*>(take_block(w * h * n));
    if (to == nullptr) return nullptr;
    const bool quarter = turns_quarter(orientation);
    const std::size_t shown_width = quarter ? h : w;
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            std::size_t sx = x;
            std::size_t sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;                  // mirrored left to right
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;  // turned half
            case 4: sy = h - 1 - y; break;                  // mirrored top to bottom
            case 5: sx = y; sy = x; break;                  // mirrored across the diagonal
            case 6: sx = h - 1 - y; sy = x; break;          // turned a quarter clockwise
            case 7: sx = h - 1 - y; sy = w - 1 - x; break;  // mirrored across the other one
            case 8: sx = y; sy = w - 1 - x; break;          // turned a quarter anticlockwise
            default: break;
            }
            std::memcpy(to + (sy * shown_width + sx) * n, from + (y * w + x) * n, n);
        }
    }
    return to;
}

// Holds the decoder to a budget for as long as it lives.
class BudgetScope {
public:
    explicit BudgetScope(std::size_t bytes) {
        budget.most = budget.live + bytes;
        budget.exceeded = false;
    }
    ~BudgetScope() { budget.most = SIZE_MAX; }
    BudgetScope(const BudgetScope&) = delete;
    BudgetScope& operator=(const BudgetScope&) = delete;
};

}  // namespace

PictureKind picture_kind(std::span<const std::uint8_t> file) {
    for (const PictureKindRow& row : picture_kinds())
        for (const std::string_view signature : row.signatures)
            if (!signature.empty() && file.size() >= signature.size() &&
                std::equal(signature.begin(), signature.end(), file.begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
                return row.kind;
    return PictureKind::unknown;
}

const char* kind_name(PictureKind kind) {
    const PictureKindRow* row = kind_row(kind);
    return row != nullptr ? row->name : "unknown";
}

const char* accepted_kinds() {
    static const std::string list = [] {
        std::string text;
        for (const PictureKindRow& row : picture_kinds()) text += (text.empty() ? "" : ", ") + std::string(row.accepted);
        return text;
    }();
    return list.c_str();
}

namespace {

// What the header tells, checked before a byte is decoded: the size against the limits,
// the file's length against what the size can need, its end, and a PNG's checksums.
DecodeStatus screen(const Header& header, const PictureLimits& limits, std::span<const std::uint8_t> file,
                    Decoded& d) {
    const bool quarter = turns_quarter(header.orientation);
    const std::uint64_t width = quarter ? header.height : header.width;
    const std::uint64_t height = quarter ? header.width : header.height;
    d.width = static_cast<int>(std::min<std::uint64_t>(width, INT_MAX));
    d.height = static_cast<int>(std::min<std::uint64_t>(height, INT_MAX));
    d.most_bytes = header.most_bytes;
    if (width > static_cast<std::uint64_t>(limits.widest) || height > static_cast<std::uint64_t>(limits.highest) ||
        width * height > limits.most_pixels)
        return DecodeStatus::too_large;
    if (file.size() > header.most_bytes) return DecodeStatus::too_long;
    if (file.size() > static_cast<std::size_t>(INT_MAX) || !whole_file(d.kind, file)) return DecodeStatus::corrupt;
    return d.kind == PictureKind::png ? check_png_stream(file) : DecodeStatus::ok;
}

// Three channels where the picture can have no transparency, else four.
int channels_wanted(PictureKind kind, std::span<const std::uint8_t> source) {
    if (kind == PictureKind::jpeg) return 3;
    int width = 0;
    int height = 0;
    int channels = 0;
    const auto* bytes = reinterpret_cast<const stbi_uc*>(source.data());
    const int length = static_cast<int>(std::min<std::size_t>(source.size(), INT_MAX));
    if (kind == PictureKind::png && stbi_info_from_memory(bytes, length, &width, &height, &channels) != 0 &&
        opaque_png(kind, channels, source))
        return 3;
    return 4;
}

// What the decoder may take at most: the file read twice over, a PNG's inflated rows,
// and some bytes a pixel for its work buffers and the pixels, at 16 bits a channel for
// a PNG.
std::size_t decoder_allowance(const Header& header, PictureKind kind, std::size_t source_size) {
    const std::uint64_t pixels = std::uint64_t{header.width} * header.height;
    std::uint64_t allowance = 2 * std::uint64_t{source_size} + pixels * 32 + (std::size_t{1} << 20);
    if (kind == PictureKind::png) allowance += 3 * (pixels * 8 + header.height);
    return static_cast<std::size_t>(std::min<std::uint64_t>(allowance, SIZE_MAX / 2));
}

// Takes the decoder's pixels, upright; the header read before and the whole decode
// agree for every file the front takes: a picture that disagreed would not be the size
// that was checked.
DecodeStatus take_pixels(std::uint8_t* decoded, int got_width, int got_height, int channels,
                         const Header& header, Decoded& d) {
    d.picture.owner.reset(decoded);
    if (static_cast<std::uint32_t>(got_width) != header.width || static_cast<std::uint32_t>(got_height) != header.height) {
        d.picture.owner.reset();
        return DecodeStatus::corrupt;
    }
    if (header.orientation != 1 && d.kind == PictureKind::jpeg) {
        std::uint8_t* upright = oriented(decoded, got_width, got_height, channels, header.orientation);
        d.picture.owner.reset(upright);
        if (upright == nullptr) return DecodeStatus::memory;
        decoded = upright;
    }
    d.picture.width = d.width;
    d.picture.height = d.height;
    d.picture.channels = channels;
    d.picture.pixels = {decoded, static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height) *
                                     static_cast<std::size_t>(channels)};
    return DecodeStatus::ok;
}

}  // namespace

Decoded decode_picture(std::span<const std::uint8_t> file, const PictureLimits& limits) {
    Decoded d;
    d.kind = picture_kind(file);
    if (d.kind == PictureKind::unknown || d.kind == PictureKind::pcx) {
        d.status = DecodeStatus::unknown_kind;
        return d;
    }
    // The size from the header first: a few bytes can claim a picture of gigabytes.
    const Header header = read_header(d.kind, file);
    d.status = header.state == Header::State::ok ? screen(header, limits, file, d) : DecodeStatus::corrupt;
    if (d.status != DecodeStatus::ok) return d;
    std::vector<std::uint8_t> padded;
    if (!fit::try_allocate([&] { padded = palette_padded(d.kind, file); })) {
        d.status = DecodeStatus::memory;
        return d;
    }
    const std::span<const std::uint8_t> source = padded.empty() ? file : std::span<const std::uint8_t>(padded);
    const int wanted = channels_wanted(d.kind, source);
    const BudgetScope scope(decoder_allowance(header, d.kind, source.size()));
    int got_width = 0;
    int got_height = 0;
    int channels = 0;
    std::uint8_t* decoded =
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(source.data()),
                              static_cast<int>(std::min<std::size_t>(source.size(), INT_MAX)), &got_width,
                              &got_height, &channels, wanted);
    if (decoded == nullptr) {
        const char* why = stbi_failure_reason();
        d.status = !budget.exceeded && why != nullptr && std::strcmp(why, "outofmem") == 0 ? DecodeStatus::memory
                                                                                          : DecodeStatus::corrupt;
        return d;
    }
    d.status = take_pixels(decoded, got_width, got_height, wanted, header, d);
    return d;
}

void DecodedPicture::Free::operator()(std::uint8_t* pixels) const noexcept { stbi_image_free(pixels); }

}  // namespace picfit
