#include "colour_map.hpp"

#include <array>
#include <cstddef>

#include "tav.hpp"

namespace picfit {

namespace {

// 65535 x the sRGB transfer function inverted, rounded: the table is the definition,
// so no libm's pow can make two machines differ.
constexpr std::array<std::uint16_t, 256> kLinear{
    0, 20, 40, 60, 80, 99, 119, 139, 159, 179, 199, 219,
    241, 264, 288, 313, 340, 367, 396, 427, 458, 491, 526, 562,
    599, 637, 677, 718, 761, 805, 851, 898, 947, 997, 1048, 1101,
    1156, 1212, 1270, 1330, 1391, 1453, 1517, 1583, 1651, 1720, 1790, 1863,
    1937, 2013, 2090, 2170, 2250, 2333, 2418, 2504, 2592, 2681, 2773, 2866,
    2961, 3058, 3157, 3258, 3360, 3464, 3570, 3678, 3788, 3900, 4014, 4129,
    4247, 4366, 4488, 4611, 4736, 4864, 4993, 5124, 5257, 5392, 5530, 5669,
    5810, 5953, 6099, 6246, 6395, 6547, 6700, 6856, 7014, 7174, 7335, 7500,
    7666, 7834, 8004, 8177, 8352, 8528, 8708, 8889, 9072, 9258, 9445, 9635,
    9828, 10022, 10219, 10417, 10619, 10822, 11028, 11235, 11446, 11658, 11873, 12090,
    12309, 12530, 12754, 12980, 13209, 13440, 13673, 13909, 14146, 14387, 14629, 14874,
    15122, 15371, 15623, 15878, 16135, 16394, 16656, 16920, 17187, 17456, 17727, 18001,
    18277, 18556, 18837, 19121, 19407, 19696, 19987, 20281, 20577, 20876, 21177, 21481,
    21787, 22096, 22407, 22721, 23038, 23357, 23678, 24002, 24329, 24658, 24990, 25325,
    25662, 26001, 26344, 26688, 27036, 27386, 27739, 28094, 28452, 28813, 29176, 29542,
    29911, 30282, 30656, 31033, 31412, 31794, 32179, 32567, 32957, 33350, 33745, 34143,
    34544, 34948, 35355, 35764, 36176, 36591, 37008, 37429, 37852, 38278, 38706, 39138,
    39572, 40009, 40449, 40891, 41337, 41785, 42236, 42690, 43147, 43606, 44069, 44534,
    45002, 45473, 45947, 46423, 46903, 47385, 47871, 48359, 48850, 49344, 49841, 50341,
    50844, 51349, 51858, 52369, 52884, 53401, 53921, 54445, 54971, 55500, 56032, 56567,
    57105, 57646, 58190, 58737, 59287, 59840, 60396, 60955, 61517, 62082, 62650, 63221,
    63795, 64372, 64952, 65535,
};

// Oklab's two matrices in 16-bit fixed point; the rows of the first sum to exactly 1,
// so that white has equal cone responses and lands on a = b = 0.
constexpr std::int64_t kToLms[3][3] = {
    {27015, 35149, 3372},
    {13887, 44611, 7038},
    {5787, 18463, 41286},
};
constexpr std::int64_t kToLab[3][3] = {
    {13792, 52011, -267},
    {129630, -159160, 29530},
    {1698, 51300, -52997},
};

// floor(65535 x cbrt(v / 65535)) for every v: the largest y with y^3 <= v x 65535^2,
// found by stepping up, since it only grows with v.
const std::array<std::uint16_t, 65536>& cube_roots() {
    static const std::array<std::uint16_t, 65536> table = [] {
        std::array<std::uint16_t, 65536> t{};
        std::uint64_t y = 0;
        for (std::uint64_t v = 0; v < t.size(); ++v) {
            const std::uint64_t n = v * 65535 * 65535;
            while ((y + 1) * (y + 1) * (y + 1) <= n) ++y;
            t[v] = static_cast<std::uint16_t>(y);
        }
        return t;
    }();
    return table;
}

std::int32_t round_shift16(std::int64_t v) { return static_cast<std::int32_t>((v + 32768) >> 16); }

std::uint16_t cone(const std::int64_t (&row)[3], std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    const std::int64_t v = (row[0] * r + row[1] * g + row[2] * b + 32768) >> 16;
    return static_cast<std::uint16_t>(v > kFull ? kFull : v);
}

struct PaletteLab {
    std::array<Lab, 8> colour;
    std::array<Lab, 2> two;
};

const PaletteLab& palette_lab() {
    static const PaletteLab p = [] {
        PaletteLab q;
        for (int i = 0; i < 8; ++i)
            q.colour[static_cast<std::size_t>(i)] =
                oklab(palette_channel(kColour, i, 0), palette_channel(kColour, i, 1),
                      palette_channel(kColour, i, 2));
        q.two[0] = oklab(0, 0, 0);
        q.two[1] = oklab(kFull, kFull, kFull);
        return q;
    }();
    return p;
}

std::uint16_t blend(std::uint16_t front, std::uint16_t back, std::uint32_t alpha) {
    return static_cast<std::uint16_t>((alpha * front + (255 - alpha) * back + 127) / 255);
}

}  // namespace

std::uint16_t linear_of(std::uint8_t srgb) { return kLinear[srgb]; }

const std::array<std::uint16_t, 256>& linear_table() { return kLinear; }

void linear_row(const PixelView& picture, int y, Rgb background, std::uint16_t* into) {
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::uint8_t* p = picture.pixels.data() + width * static_cast<std::size_t>(y) *
                                                        static_cast<std::size_t>(picture.channels);
    if (picture.channels == 3) {
        for (std::size_t i = 0; i < width * 3; ++i) into[i] = kLinear[p[i]];
        return;
    }
    const std::uint16_t back[3] = {kLinear[background.r], kLinear[background.g],
                                   kLinear[background.b]};
    for (std::size_t i = 0; i < width; ++i, p += 4, into += 3) {
        const std::uint32_t alpha = p[3];
        for (std::size_t c = 0; c < 3; ++c)
            into[c] = alpha == 255 ? kLinear[p[c]] : blend(kLinear[p[c]], back[c], alpha);
    }
}

LinearPicture to_linear(const PixelView& picture, Rgb background) {
    LinearPicture out;
    out.width = picture.width;
    out.height = picture.height;
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    out.rgb.resize(stride * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        linear_row(picture, y, background, &out.rgb[stride * static_cast<std::size_t>(y)]);
    return out;
}

RgbaPicture palette_picture(std::span<const std::uint8_t, 768> palette,
                            std::span<const std::uint8_t> indices, int width, int height) {
    RgbaPicture out;
    out.width = width;
    out.height = height;
    const std::size_t n = width > 0 && height > 0
                              ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height)
                              : 0;
    out.pixels.assign(n * 4, 0);
    // Pixels the indices do not cover stay black, transparent.
    for (std::size_t i = 0; i < n && i < indices.size(); ++i) {
        const std::size_t at = std::size_t{indices[i]} * 3;
        out.pixels[i * 4] = palette[at];
        out.pixels[i * 4 + 1] = palette[at + 1];
        out.pixels[i * 4 + 2] = palette[at + 2];
        out.pixels[i * 4 + 3] = 255;
    }
    return out;
}

Lab oklab(std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    const auto& root = cube_roots();
    const std::int64_t lms[3] = {root[cone(kToLms[0], r, g, b)], root[cone(kToLms[1], r, g, b)],
                                 root[cone(kToLms[2], r, g, b)]};
    Lab lab;
    lab.L = round_shift16(kToLab[0][0] * lms[0] + kToLab[0][1] * lms[1] + kToLab[0][2] * lms[2]);
    lab.a = round_shift16(kToLab[1][0] * lms[0] + kToLab[1][1] * lms[1] + kToLab[1][2] * lms[2]);
    lab.b = round_shift16(kToLab[2][0] * lms[0] + kToLab[2][1] * lms[1] + kToLab[2][2] * lms[2]);
    return lab;
}

std::uint16_t cube_root(std::uint16_t v) { return cube_roots()[v]; }

int nearest_index(int mode, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    const Lab p = oklab(r, g, b);
    const PaletteLab& pal = palette_lab();
    const std::span<const Lab> entries =
        mode != kTwoColour ? std::span<const Lab>(pal.colour) : std::span<const Lab>(pal.two);
    int best = 0;
    std::int64_t best_distance = INT64_MAX;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::int64_t dl = p.L - entries[i].L;
        const std::int64_t da = p.a - entries[i].a;
        const std::int64_t db = p.b - entries[i].b;
        const std::int64_t d = dl * dl + da * da + db * db;
        if (d < best_distance) {
            best_distance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

std::optional<int> exact_index(int mode, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    const auto full = [](std::uint16_t v) { return v == kFull; };
    const auto off_or_full = [](std::uint16_t v) { return v == 0 || v == kFull; };
    if (!off_or_full(r) || !off_or_full(g) || !off_or_full(b)) return std::nullopt;
    if (mode == kTwoColour) {
        if (r != g || g != b) return std::nullopt;
        return full(r) ? 1 : 0;
    }
    return (full(r) ? 1 : 0) | (full(g) ? 2 : 0) | (full(b) ? 4 : 0);
}

bool exact_palette(const LinearPicture& picture, int mode) {
    for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        if (!exact_index(mode, picture.rgb[i], picture.rgb[i + 1], picture.rgb[i + 2])) return false;
    return true;
}

}  // namespace picfit
