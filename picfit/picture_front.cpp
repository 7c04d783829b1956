#include "picture_front.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "media/byte_order.hpp"
#include "pcx.hpp"

namespace picfit {

namespace {

using Bytes = std::span<const std::uint8_t>;


bool is_type(Bytes f, std::size_t at, const char* type) { return std::memcmp(f.data() + at, type, 4) == 0; }

std::uint64_t saturated(std::uint64_t v) { return std::min<std::uint64_t>(v, SIZE_MAX / 2); }

Header ok_header(std::uint64_t width, std::uint64_t height, std::uint64_t data_bytes) {
    Header h;
    if (width == 0 || height == 0 || width > UINT32_MAX || height > UINT32_MAX) {
        h.state = Header::State::corrupt;
        return h;
    }
    h.state = Header::State::ok;
    h.width = static_cast<std::uint32_t>(width);
    h.height = static_cast<std::uint32_t>(height);
    h.most_bytes = static_cast<std::size_t>(saturated(data_bytes + kMetadataAllowance));
    return h;
}

Header corrupt() {
    Header h;
    h.state = Header::State::corrupt;
    return h;
}

// PNG ---------------------------------------------------------------------------------

// Bits a pixel of a colour type at a depth; 0 for a pair the format does not have.
int png_bits(int colour_type, int depth) {
    const auto one_of = [depth](std::initializer_list<int> depths) {
        return std::find(depths.begin(), depths.end(), depth) != depths.end();
    };
    switch (colour_type) {
    case 0: return one_of({1, 2, 4, 8, 16}) ? depth : 0;
    case 2: return one_of({8, 16}) ? 3 * depth : 0;
    case 3: return one_of({1, 2, 4, 8}) ? depth : 0;
    case 4: return one_of({8, 16}) ? 2 * depth : 0;
    case 6: return one_of({8, 16}) ? 4 * depth : 0;
    default: return 0;
    }
}

// The inflated length of the rows: a filter byte and the packed pixels a row, for the
// whole picture or for each of the seven interlace passes.
std::uint64_t png_raw_bytes(std::uint64_t width, std::uint64_t height, int bits, bool interlaced) {
    const auto rows = [bits](std::uint64_t w, std::uint64_t h) {
        return w == 0 || h == 0 ? 0 : h * (1 + (w * static_cast<std::uint64_t>(bits) + 7) / 8);
    };
    if (!interlaced) return rows(width, height);
    constexpr int x0[] = {0, 4, 0, 2, 0, 1, 0};
    constexpr int y0[] = {0, 0, 4, 0, 2, 0, 1};
    constexpr int dx[] = {8, 8, 4, 4, 2, 2, 1};
    constexpr int dy[] = {8, 8, 8, 4, 4, 2, 2};
    std::uint64_t total = 0;
    for (int p = 0; p < 7; ++p) {
        const std::uint64_t w = width > static_cast<std::uint64_t>(x0[p]) ? (width - x0[p] + dx[p] - 1) / dx[p] : 0;
        const std::uint64_t h = height > static_cast<std::uint64_t>(y0[p]) ? (height - y0[p] + dy[p] - 1) / dy[p] : 0;
        total += rows(w, h);
    }
    return total;
}

constexpr std::size_t kPngSignature = 8;

Header png_header(Bytes f) {
    if (f.size() < kPngSignature + 25) return {};
    if (media::high_byte_first32(f, 8) != 13 || !is_type(f, 12, "IHDR")) return corrupt();
    const std::uint64_t width = media::high_byte_first32(f, 16);
    const std::uint64_t height = media::high_byte_first32(f, 20);
    const int bits = png_bits(f[25], f[24]);
    if (bits == 0 || f[28] > 1 || width > INT32_MAX || height > INT32_MAX) return corrupt();
    // The pixel data at worst stored without compression: five bytes a 64 KiB block.
    const std::uint64_t raw = png_raw_bytes(width, height, bits, f[28] == 1);
    return ok_header(width, height, raw + raw / 8 + 1024);
}

// Calls `chunk(type_at, data)` for each chunk up to IEND; false when the file ends
// before IEND, a length runs past the file, or a CRC is wrong.
template <typename Chunk>
bool png_chunks(Bytes f, Chunk&& chunk) {
    std::size_t at = kPngSignature;
    while (f.size() - at >= 12) {
        const std::uint32_t length = media::high_byte_first32(f, at);
        if (length > INT32_MAX || f.size() - at - 12 < length) return false;
        if (crc32(f.subspan(at + 4, std::size_t{length} + 4)) != media::high_byte_first32(f, at + 8 + length)) return false;
        if (!chunk(at + 4, f.subspan(at + 8, length))) return false;
        if (is_type(f, at + 4, "IEND")) return true;
        at += 12 + std::size_t{length};
    }
    return false;
}

bool png_whole(Bytes f) {
    if (png_header(f).state != Header::State::ok) return false;
    std::uint32_t palette = 0;
    bool pixels = false;
    const bool indexed = f[25] == 3;
    const bool whole = png_chunks(f, [&](std::size_t type, Bytes data) {
        if (is_type(f, type, "PLTE")) {
            if (data.size() % 3 != 0 || data.size() / 3 > 256 || data.empty()) return false;
            palette = static_cast<std::uint32_t>(data.size() / 3);
        }
        // Transparency for more entries than the palette has would be taken for the
        // black ones it is made whole with.
        if (indexed && is_type(f, type, "tRNS") && data.size() > palette) return false;
        if (is_type(f, type, "IDAT")) pixels = true;
        return true;
    });
    return whole && pixels && (!indexed || palette > 0);
}

// GIF ---------------------------------------------------------------------------------

// The end of the sub-blocks starting at `at`, past their empty block; 0 when the file
// ends first.
std::size_t gif_blocks_end(Bytes f, std::size_t at) {
    while (at < f.size()) {
        const std::size_t length = f[at];
        ++at;
        if (length == 0) return at;
        at += length;
    }
    return 0;
}

std::size_t gif_table(std::uint8_t flags) { return (flags & 0x80) != 0 ? std::size_t{3} << ((flags & 7) + 1) : 0; }

Header gif_header(Bytes f) {
    if (f.size() < 13) return {};
    const std::uint64_t width = media::low_byte_first(f, 6);
    const std::uint64_t height = media::low_byte_first(f, 8);
    // At most twelve bits a pixel in the first frame, the rest in the allowance.
    return ok_header(width, height, 13 + 768 + width * height * 2);
}

// Every block to the trailer: after the header and its colour table, each extension
// and image (descriptor, colour table and coded data); a file cut anywhere before its
// trailer, even in a later frame's data or just before the trailer, is not whole.
bool gif_whole(Bytes f) {
    if (gif_header(f).state != Header::State::ok) return false;
    std::size_t at = 13 + gif_table(f[10]);
    bool image = false;
    while (at < f.size()) {
        switch (f[at]) {
        case 0x21:
            at = at + 2 <= f.size() ? gif_blocks_end(f, at + 2) : 0;
            if (at == 0) return false;
            break;
        case 0x2C:
            if (f.size() - at < 10) return false;
            // Without a colour table of its own or of the file, no pixel has a colour.
            if ((f[at + 9] & 0x80) == 0 && (f[10] & 0x80) == 0) return false;
            at += 10 + gif_table(f[at + 9]);
            // The LZW code size, then the coded data.
            at = at < f.size() ? gif_blocks_end(f, at + 1) : 0;
            if (at == 0) return false;
            image = true;
            break;
        case 0x3B: return image;  // the trailer, once there was an image
        default: return false;
        }
    }
    return false;
}

// BMP ---------------------------------------------------------------------------------

struct BmpLayout {
    std::uint32_t header = 0;  // the info header's size
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative from the top down
    int bits = 0;
    std::uint32_t offset = 0;  // of the pixel data
};

bool bmp_layout(Bytes f, BmpLayout& b) {
    if (f.size() < 26) return false;
    b.offset = media::low_byte_first32(f, 10);
    b.header = media::low_byte_first32(f, 14);
    if (b.header == 12) {
        b.width = media::low_byte_first(f, 18);
        b.height = media::low_byte_first(f, 20);
        b.bits = static_cast<int>(media::low_byte_first(f, 24));
        return true;
    }
    if (f.size() < 30) return false;
    b.width = static_cast<std::int32_t>(media::low_byte_first32(f, 18));
    b.height = static_cast<std::int32_t>(media::low_byte_first32(f, 22));
    b.bits = static_cast<int>(media::low_byte_first(f, 28));
    return true;
}

std::uint64_t bmp_row_bytes(const BmpLayout& b) {
    return (static_cast<std::uint64_t>(b.width) * static_cast<std::uint64_t>(b.bits) + 31) / 32 * 4;
}

std::uint64_t magnitude(std::int64_t v) { return static_cast<std::uint64_t>(v < 0 ? -v : v); }

Header bmp_header(Bytes f) {
    BmpLayout b;
    if (!bmp_layout(f, b)) return {};
    if (b.width <= 0 || b.height == 0 || b.bits <= 0 || b.bits > 32 || b.offset > kMetadataAllowance)
        return corrupt();
    return ok_header(static_cast<std::uint64_t>(b.width), magnitude(b.height),
                     b.offset + bmp_row_bytes(b) * magnitude(b.height));
}

bool bmp_whole(Bytes f) {
    BmpLayout b;
    if (bmp_header(f).state != Header::State::ok || !bmp_layout(f, b)) return false;
    return b.offset >= 14 + std::uint64_t{b.header} && b.offset <= f.size() &&
           bmp_row_bytes(b) * magnitude(b.height) <= f.size() - b.offset;
}

// JPEG --------------------------------------------------------------------------------

bool is_frame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool standalone(std::uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// The end of the entropy-coded data from `at`: the next marker that is not a stuffed
// byte or a restart; 0 when the file ends first.
std::size_t scan_end(Bytes f, std::size_t at) {
    for (;;) {
        const void* ff = std::memchr(f.data() + at, 0xFF, f.size() - at);
        if (ff == nullptr) return 0;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - f.data());
        if (at + 1 >= f.size()) return 0;
        const std::uint8_t next = f[at + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
            at += 2;
        } else if (next == 0xFF) {
            at += 1;  // a fill byte before a marker
        } else {
            return at;
        }
    }
}

// Each table of a DHT segment: its class and number, sixteen counts of codes adding
// up to at most 256 that a prefix code can have, then that many symbols, the tables
// filling the segment exactly.
bool huffman_tables_sound(Bytes segment, std::array<bool, 8>& defined) {
    std::size_t at = 0;
    while (at < segment.size()) {
        if (segment.size() - at < 17) return false;
        const int kind = segment[at] >> 4;
        const int number = segment[at] & 15;
        if (kind > 1 || number > 3) return false;
        defined[static_cast<std::size_t>(kind * 4 + number)] = true;
        std::size_t codes = 0;
        // Nor may the lengths ask for more codes than there are: the decoder would
        // look symbols up past its table.
        std::uint32_t code = 0;
        for (std::size_t i = 1; i <= 16; ++i) {
            codes += segment[at + i];
            code += segment[at + i];
            if (code > (std::uint32_t{1} << i)) return false;
            code <<= 1;
        }
        if (codes > 256 || segment.size() - at - 17 < codes) return false;
        at += 17 + codes;
    }
    return true;
}

// A scan may only use tables defined before it: the decoder would read a table it
// never built. DC tables serve a scan from coefficient 0 that is not a refinement, AC
// tables a scan that reaches past it.
bool scan_tables_defined(Bytes segment, const std::array<bool, 8>& defined) {
    if (segment.empty()) return false;
    const std::size_t components = segment[0];
    if (segment.size() < 1 + 2 * components + 3) return false;
    const std::uint8_t start = segment[1 + 2 * components];
    const std::uint8_t end = segment[2 + 2 * components];
    const bool refining = (segment[3 + 2 * components] >> 4) != 0;
    for (std::size_t c = 0; c < components; ++c) {
        const std::uint8_t tables = segment[2 + 2 * c];
        if ((tables >> 4) > 3 || (tables & 15) > 3) return false;
        if (start == 0 && !refining && !defined[tables >> 4]) return false;
        if (end > 0 && !defined[4 + (tables & 15)]) return false;
    }
    return true;
}

struct JpegWalk {
    Header header;  // ok once a frame header came
    bool whole = false;
};

// Walks the markers from SOI; with `to_end` on past the frame header to EOI.
JpegWalk jpeg_walk(Bytes f, bool to_end) {
    JpegWalk w;
    int orientation = 1;
    std::array<bool, 8> defined{};  // the Huffman tables so far: DC 0 to 3, AC 0 to 3
    std::size_t at = 2;
    const auto broken = [&w] {
        w.header.state = Header::State::corrupt;
        return w;
    };
    for (;;) {
        if (f.size() - at < 2) return w;
        if (f[at] != 0xFF) return broken();
        const std::uint8_t marker = f[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD9) {
            w.whole = w.header.state == Header::State::ok;
            return w;
        }
        if (marker == 0xD8 || marker == 0x00) return broken();
        if (standalone(marker)) {
            at += 2;
            continue;
        }
        if (f.size() - at < 4) return w;
        const std::size_t length = media::high_byte_first(f, at + 2);
        if (length < 2) return broken();
        if (f.size() - at - 2 < length) return w;
        const Bytes segment = f.subspan(at + 4, length - 2);
        // The decoder trusts a Huffman table's counts: more than 256 codes would be
        // written past its table.
        if (marker == 0xDA && !scan_tables_defined(segment, defined)) return broken();
        if (marker == 0xC4 && !huffman_tables_sound(segment, defined)) return broken();
        if (marker == 0xE1 && w.header.state != Header::State::ok && orientation == 1)
            orientation = exif_orientation(segment);
        if (is_frame(marker) && w.header.state != Header::State::ok) {
            if (segment.size() < 6) return broken();
            const std::uint64_t height = media::high_byte_first(segment, 1);
            const std::uint64_t width = media::high_byte_first(segment, 3);
            const std::uint64_t components = segment[5];
            // At worst some bytes a sample, over every scan of a progressive file.
            w.header = ok_header(width, height, at + width * height * std::max<std::uint64_t>(components, 1) * 8);
            if (w.header.state != Header::State::ok) return w;
            w.header.orientation = orientation;
            if (!to_end) return w;
        }
        at += 2 + length;
        if (marker == 0xDA) {
            if (w.header.state != Header::State::ok) return broken();
            at = scan_end(f, at);
            if (at == 0) return w;
        }
    }
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::span<const std::uint8_t> bytes) {
    constexpr std::uint32_t kBase = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    // 5552 bytes is the most that can be summed before the 32-bit sums could overflow.
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), 5552);
        for (const std::uint8_t v : bytes.first(n)) {
            a += v;
            b += a;
        }
        a %= kBase;
        b %= kBase;
        bytes = bytes.subspan(n);
    }
    return b << 16 | a;
}

int exif_orientation(std::span<const std::uint8_t> app1) {
    constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || !std::equal(std::begin(kExif), std::end(kExif), app1.begin())) return 1;
    const Bytes tiff = app1.subspan(6);
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] != 'M' || tiff[1] != 'M')
        return 1;
    const auto u16 = [&](std::size_t at) { return little ? media::low_byte_first(tiff, at) : media::high_byte_first(tiff, at); };
    const auto u32 = [&](std::size_t at) { return little ? media::low_byte_first32(tiff, at) : media::high_byte_first32(tiff, at); };
    if (u16(2) != 42) return 1;
    const std::uint32_t ifd = u32(4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2) return 1;
    const std::uint32_t entries = u16(ifd);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t at = ifd + 2 + std::size_t{i} * 12;
        if (at + 12 > tiff.size()) return 1;
        // The tag as one SHORT, its value in the entry itself.
        if (u16(at) != 0x0112) continue;
        if (u16(at + 2) != 3 || u32(at + 4) != 1) return 1;
        const std::uint32_t value = u16(at + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

namespace {

using namespace std::string_view_literals;

constexpr PictureKindRow kKinds[] = {
    {PictureKind::pcx, "PCX", "PCX (8 bits, 1 plane)", {"\x0A"sv, ""sv}, nullptr, nullptr},
    {PictureKind::png, "PNG", "PNG", {"\x89PNG\r\n\x1A\n"sv, ""sv}, png_header, png_whole},
    {PictureKind::gif, "GIF", "GIF", {"GIF87a"sv, "GIF89a"sv}, gif_header, gif_whole},
    {PictureKind::bmp, "BMP", "BMP", {"BM"sv, ""sv}, bmp_header, bmp_whole},
    {PictureKind::jpeg, "JPEG", "JPEG", {"\xFF\xD8\xFF"sv, ""sv},
     [](Bytes f) { return jpeg_walk(f, false).header; }, [](Bytes f) { return jpeg_walk(f, true).whole; }},
};

}  // namespace

std::span<const PictureKindRow> picture_kinds() { return kKinds; }

const PictureKindRow* kind_row(PictureKind kind) {
    for (const PictureKindRow& row : kKinds)
        if (row.kind == kind) return &row;
    return nullptr;
}

Header read_header(PictureKind kind, std::span<const std::uint8_t> file) {
    const PictureKindRow* row = kind_row(kind);
    return row != nullptr && row->header != nullptr ? row->header(file) : corrupt();
}

std::size_t source_limit(std::span<const std::uint8_t> so_far) {
    // Enough to tell every kind apart.
    constexpr std::size_t kSniff = 8;
    if (so_far.size() < kSniff) return std::max(kSniff, kPcxReadLimit);
    const PictureKind kind = picture_kind(so_far);
    if (kind == PictureKind::pcx || kind == PictureKind::unknown) return kPcxReadLimit;
    const Header h = read_header(kind, so_far);
    switch (h.state) {
    case Header::State::ok: return h.most_bytes;
    case Header::State::incomplete: return kMetadataAllowance;
    case Header::State::corrupt: break;
    }
    return so_far.size();  // nothing further can make it a picture
}

bool whole_file(PictureKind kind, std::span<const std::uint8_t> file) {
    const PictureKindRow* row = kind_row(kind);
    return row != nullptr && row->whole != nullptr && row->whole(file);
}

bool png_data(std::span<const std::uint8_t> file, PngData& data) {
    if (png_header(file).state != Header::State::ok) return false;
    data.raw_bytes = png_raw_bytes(media::high_byte_first32(file, 16), media::high_byte_first32(file, 20), png_bits(file[25], file[24]), file[28] == 1);
    data.zlib.clear();
    std::vector<Bytes> parts;
    std::size_t total = 0;
    const bool whole = png_chunks(file, [&](std::size_t type, Bytes chunk) {
        if (is_type(file, type, "IDAT")) {
            parts.push_back(chunk);
            total += chunk.size();
        }
        return true;
    });
    data.zlib.reserve(total);
    for (const Bytes part : parts) data.zlib.insert(data.zlib.end(), part.begin(), part.end());
    return whole;
}

std::vector<std::uint8_t> palette_padded(PictureKind kind, std::span<const std::uint8_t> file) {
    std::vector<std::uint8_t> padded;
    if (kind == PictureKind::png && file.size() > 25 && file[25] == 3) {
        std::size_t plte = 0;
        std::uint32_t length = 0;
        png_chunks(file, [&](std::size_t type, Bytes data) {
            if (is_type(file, type, "PLTE") && plte == 0) {
                plte = type - 4;
                length = static_cast<std::uint32_t>(data.size());
            }
            return true;
        });
        if (plte == 0 || length >= 768) return padded;
        // The chunk replaced by one of 256 entries, its CRC made anew.
        padded.reserve(file.size() + 768 - length);
        padded.insert(padded.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(plte));
        const std::uint8_t head[] = {0, 0, 3, 0, 'P', 'L', 'T', 'E'};
        padded.insert(padded.end(), std::begin(head), std::end(head));
        const std::size_t data = padded.size();
        padded.insert(padded.end(), file.begin() + static_cast<std::ptrdiff_t>(plte + 8),
                      file.begin() + static_cast<std::ptrdiff_t>(plte + 8 + length));
        padded.resize(data + 768, 0);
        const std::uint32_t crc = crc32(std::span(padded).subspan(data - 4, 772));
        for (int s = 24; s >= 0; s -= 8) padded.push_back(static_cast<std::uint8_t>(crc >> s));
        const std::size_t after = plte + 12 + length;
        padded.insert(padded.end(), file.begin() + static_cast<std::ptrdiff_t>(after), file.end());
        return padded;
    }
    BmpLayout b;
    if (kind != PictureKind::bmp || !bmp_layout(file, b) || b.bits > 8 || b.offset > file.size()) return padded;
    // The decoder takes the bytes between the headers and the pixel data for the
    // palette: entries of 4 bytes counted from the end of the info header, or of 3
    // bytes counted from 12 bytes further after the oldest header (a count of 0 or
    // less it refuses, and so would read nothing into its table).
    const bool oldest = b.header == 12;
    const std::size_t entry = oldest ? 3 : 4;
    const std::int64_t first = 14 + (oldest ? 24 : std::int64_t{b.header});
    const std::int64_t entries = (static_cast<std::int64_t>(b.offset) - first) / static_cast<std::int64_t>(entry);
    const std::int64_t wanted = std::int64_t{1} << b.bits;
    if (entries >= wanted || b.offset < 14 + std::uint64_t{b.header}) return padded;
    const std::size_t more = static_cast<std::size_t>(wanted - std::max<std::int64_t>(entries, 0)) * entry +
                             static_cast<std::size_t>(std::max<std::int64_t>(first - b.offset, 0));
    padded.assign(file.begin(), file.end());
    // Black entries just before the pixel data, which starts that much later.
    padded.insert(padded.begin() + static_cast<std::ptrdiff_t>(b.offset), more, 0);
    const std::uint32_t offset = b.offset + static_cast<std::uint32_t>(more);
    for (int i = 0; i < 4; ++i) padded[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    return padded;
}

}  // namespace picfit
