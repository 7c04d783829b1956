#include "dither.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "tav.hpp"

namespace picfit {

namespace {

struct Tap {
    int dx;
    int dy;
    int weight;
};

constexpr Tap kFloydSteinberg[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
constexpr Tap kAtkinson[] = {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}};

// Rows of the error still to be added, kept for as many rows below as the kernel
// reaches, each with room for two pixels beyond either edge: what falls there is
// never read, so it is dropped without a test for the edge.
class ErrorRows {
public:
    ErrorRows(int width, int rows)
        : stride_(static_cast<std::size_t>(width + 4) * 3), rows_(static_cast<std::size_t>(rows)),
          cells_(stride_ * rows_, 0) {}
    std::int32_t* at(int dy, int x) {
        const std::size_t row = (first_ + static_cast<std::size_t>(dy)) % rows_;
        return &cells_[row * stride_ + static_cast<std::size_t>(x + 2) * 3];
    }
    void next_row() {
        std::fill_n(&cells_[first_ * stride_], stride_, 0);
        first_ = (first_ + 1) % rows_;
    }

private:
    std::size_t stride_;
    std::size_t rows_;
    std::size_t first_ = 0;
    std::vector<std::int32_t> cells_;
};

// Rec. 709 luminance weights in 16-bit fixed point, summing to 1.
std::uint32_t luminance(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (13933 * r + 46871 * g + 4732 * b + 32768) >> 16;
}

// A value with its error may leave the range by half of it at most: beyond that the
// palette could never pay the error back, and it would only grow.
std::int32_t bounded(std::int32_t v) { return std::clamp<std::int32_t>(v, -32768, kFull + 32768); }

// The palette's colours are the corners of the cube of red, green and blue (black and
// white in two-colour mode), so the corner nearest to a colour is found channel by
// channel: each one lit when it is nearer full than off.
constexpr std::int32_t kHalf = kFull / 2 + 1;

// Error diffusion spreads the error in linear light, where it is light that the eye
// adds up, and picks the colour nearest in that same light: picking it in another
// space (Oklab) leaves an error the spreading pays back as clumps of a far colour,
// red and black worms on a dark blue.
//
// In colour mode the error of each of red, green and blue is spread; in two-colour
// mode, whose palette has no hue, that of the luminance alone: an error of hue could
// never be paid back there. The weights of `taps` are in units of 1 / 2^shift.
template <std::size_t N>
void diffuse(const LinearPicture& p, int mode, const Tap (&taps)[N], int shift, std::vector<std::uint8_t>& out) {
    const int channels = mode != kTwoColour ? 3 : 1;
    int reach = 0;
    int total = 0;
    for (const Tap& t : taps) {
        reach = std::max(reach, t.dy);
        total += t.weight;
    }
    // A kernel that spreads the whole error gives the rounding left-overs to its first
    // tap, so that none of it is lost.
    const bool whole = total == 1 << shift;
    ErrorRows error(p.width, reach + 1);
    for (int y = 0; y < p.height; ++y) {
        const bool backwards = (y & 1) != 0;
        std::int32_t* below[3] = {error.at(0, 0), error.at(std::min(1, reach), 0), error.at(std::min(2, reach), 0)};
        for (int i = 0; i < p.width; ++i) {
            const int x = backwards ? p.width - 1 - i : i;
            const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                                    static_cast<std::size_t>(x));
            const std::uint16_t* pixel = &p.rgb[at * 3];
            const std::int32_t* e = below[0] + x * 3;
            std::int32_t value[3];
            if (channels == 3) {
                for (int c = 0; c < 3; ++c) value[c] = bounded(pixel[c] + e[c]);
            } else {
                value[0] = bounded(static_cast<std::int32_t>(luminance(pixel[0], pixel[1], pixel[2])) + e[0]);
            }
            int index = 0;
            for (int c = 0; c < channels; ++c) {
                const bool lit = value[c] >= kHalf;
                index |= lit ? 1 << c : 0;
                const std::int32_t left = value[c] - (lit ? kFull : 0);
                std::int32_t rest = left;
                for (std::size_t t = N; t-- > 0;) {
                    const Tap& tap = taps[t];
                    // Arithmetic shift: the same floor for negative errors everywhere.
                    const std::int32_t part = whole && t == 0 ? rest : (left * tap.weight) >> shift;
                    rest -= part;
                    const int tx = x + (backwards ? -tap.dx : tap.dx);
                    below[tap.dy][tx * 3 + c] += part;
                }
            }
            out[at] = static_cast<std::uint8_t>(index);
        }
        error.next_row();
    }
}

// The classic recursive Bayer matrix of side n (a power of two): entries 0 to n^2 - 1,
// the lowest bits of x and y giving the highest digit, so that entries next in order
// lie far apart and every share of lit pixels is spread evenly.
int bayer_entry(int n, int x, int y) {
    int v = 0;
    for (int bit = 1; bit < n; bit <<= 1) {
        const int xb = (x & bit) != 0 ? 1 : 0;
        const int yb = (y & bit) != 0 ? 1 : 0;
        v = v << 2 | ((xb ^ yb) << 1 | yb);
    }
    return v;
}

// An n x n matrix lights k of its n^2 pixels: a share k / n^2 of the light, exact in
// linear light. Entry k's threshold lies where the eye sees the middle between k and
// k + 1 lit pixels (midway in cube-root light), not the middle of the light, which
// would turn every dark colour below half a step black: a dark blue gets its one blue
// pixel in n^2 as soon as that is nearer to it than black.
std::vector<std::uint32_t> thresholds(int n) {
    const std::uint64_t cells = static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(n);
    std::vector<std::uint32_t> t(cells);
    for (std::uint64_t k = 0; k < cells; ++k) {
        const std::uint64_t low = cube_root(static_cast<std::uint16_t>((k * kFull + cells / 2) / cells));
        const std::uint64_t high = cube_root(static_cast<std::uint16_t>(((k + 1) * kFull + cells / 2) / cells));
        const std::uint64_t mid = (low + high + 1) / 2;
        t[k] = static_cast<std::uint32_t>((mid * mid * mid + std::uint64_t{kFull} * kFull / 2) /
                                          (std::uint64_t{kFull} * kFull));
    }
    return t;
}

void ordered(const LinearPicture& p, int mode, int n, std::vector<std::uint8_t>& out) {
    const std::vector<std::uint32_t> level = thresholds(n);
    std::vector<std::uint32_t> threshold(static_cast<std::size_t>(n * n));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            threshold[static_cast<std::size_t>(y * n + x)] = level[static_cast<std::size_t>(bayer_entry(n, x, y))];
    for (int y = 0; y < p.height; ++y) {
        const std::uint32_t* row = &threshold[static_cast<std::size_t>((y % n) * n)];
        for (int x = 0; x < p.width; ++x) {
            const std::size_t at =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x);
            const std::uint32_t t = row[x % n];
            const std::uint32_t r = p.rgb[at * 3];
            const std::uint32_t g = p.rgb[at * 3 + 1];
            const std::uint32_t b = p.rgb[at * 3 + 2];
            if (mode == kTwoColour) {
                out[at] = luminance(r, g, b) >= t ? 1 : 0;
            } else {
                out[at] = static_cast<std::uint8_t>((r >= t ? 1 : 0) | (g >= t ? 2 : 0) | (b >= t ? 4 : 0));
            }
        }
    }
}

}  // namespace

std::optional<Dither> dither_named(std::string_view name) {
    for (const Dither d : {Dither::none, Dither::floyd_steinberg, Dither::atkinson, Dither::bayer4,
                           Dither::bayer8})
        if (name == dither_name(d)) return d;
    return std::nullopt;
}

const char* dither_name(Dither dither) {
    switch (dither) {
    case Dither::none: return "none";
    case Dither::floyd_steinberg: return "floyd-steinberg";
    case Dither::atkinson: return "atkinson";
    case Dither::bayer4: return "bayer4";
    case Dither::bayer8: return "bayer8";
    }
    return "none";
}

std::vector<std::uint8_t> map_picture(const LinearPicture& picture, int mode, Dither dither) {
    const std::size_t n = picture.rgb.size() / 3;
    std::vector<std::uint8_t> out(n, 0);
    if (exact_palette(picture, mode)) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(
                *exact_index(mode, picture.rgb[i * 3], picture.rgb[i * 3 + 1], picture.rgb[i * 3 + 2]));
        return out;
    }
    switch (dither) {
    case Dither::none:
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(
                nearest_index(mode, picture.rgb[i * 3], picture.rgb[i * 3 + 1], picture.rgb[i * 3 + 2]));
        break;
    case Dither::floyd_steinberg: diffuse(picture, mode, kFloydSteinberg, 4, out); break;
    case Dither::atkinson: diffuse(picture, mode, kAtkinson, 3, out); break;
    case Dither::bayer4: ordered(picture, mode, 4, out); break;
    case Dither::bayer8: ordered(picture, mode, 8, out); break;
    }
    return out;
}

}  // namespace picfit
