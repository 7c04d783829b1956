#include "picture_fit.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pcx.hpp"

namespace picfit {

namespace {

// The source pixels each new pixel covers along an axis, each with its share in units
// of 1 / to of a source pixel; the shares of one new pixel add up to `from`. New pixel
// x takes count[x] source pixels from first[x] on, their shares from weights[at[x]] on.
struct Spans {
    std::vector<std::size_t> first;
    std::vector<std::size_t> count;
    std::vector<std::size_t> at;
    std::vector<std::uint32_t> weights;
};

Spans spans(int from, int to) {
    Spans out;
    for (int x = 0; x < to; ++x) {
        // New pixel x covers [x * from, (x + 1) * from) and source pixel i covers
        // [i * to, (i + 1) * to), both in units of 1 / (from x to) of the picture.
        const std::int64_t begin = std::int64_t{x} * from;
        const std::int64_t end = begin + from;
        const std::int64_t first = begin / to;
        out.first.push_back(static_cast<std::size_t>(first));
        out.at.push_back(out.weights.size());
        for (std::int64_t i = first; i * to < end; ++i)
            out.weights.push_back(static_cast<std::uint32_t>(std::min(end, (i + 1) * to) - std::max(begin, i * to)));
        out.count.push_back(out.weights.size() - out.at.back());
    }
    return out;
}

// The rounded mean of sums of `total` shares. A division for each of millions of sums
// was most of the scaling's time, so it multiplies by the reciprocal instead: for n
// below 2^32, floor(n x m / 2^64) with m = floor((2^64 - 1) / d) + 1 is exactly
// floor(n / d), since n x d < 2^64 keeps the reciprocal's error below 1 / d.
class Mean {
public:
    explicit Mean(int total)
        : d_(static_cast<std::uint64_t>(total)), m_(d_ > 1 ? UINT64_MAX / d_ + 1 : 0) {}
    std::uint16_t operator()(std::uint64_t sum) const {
        const std::uint64_t n = sum + d_ / 2;
        if (d_ == 1) return static_cast<std::uint16_t>(n);
        if (n >> 32 != 0) return static_cast<std::uint16_t>(n / d_);
        const std::uint64_t high = n * (m_ >> 32);
        const std::uint64_t low = n * (m_ & 0xFFFFFFFF);
        return static_cast<std::uint16_t>((high + (low >> 32)) >> 32);
    }

private:
    std::uint64_t d_;
    std::uint64_t m_;
};

std::size_t pixels(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// The linear values of a row of 8-bit sRGB samples, looked up as they are read.
struct SrgbSamples {
    const std::uint8_t* bytes;
    const std::uint16_t* linear;
    std::uint16_t operator[](std::size_t i) const { return linear[bytes[i]]; }
};

// Scales from_width x from_height to width x height, reading the samples of source
// row y (red, green, blue a pixel, in linear light) from row(y), once each, in order:
// rows first, each to the new width, then the columns.
template <class Row>
LinearPicture scale_rows(int from_width, int from_height, int width, int height, Row row) {
    const Spans across = spans(from_width, width);
    const Spans down = spans(from_height, height);

    const Mean mean_across(from_width);
    std::vector<std::uint16_t> narrow(pixels(width, from_height) * 3);
    for (int y = 0; y < from_height; ++y) {
        const auto from = row(y);
        std::uint16_t* into = &narrow[pixels(width, y) * 3];
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x, into += 3) {
            std::size_t i = across.first[x] * 3;
            const std::uint32_t* w = &across.weights[across.at[x]];
            std::uint64_t sum[3] = {0, 0, 0};
            for (std::size_t k = 0; k < across.count[x]; ++k, i += 3) {
                sum[0] += std::uint64_t{from[i]} * w[k];
                sum[1] += std::uint64_t{from[i + 1]} * w[k];
                sum[2] += std::uint64_t{from[i + 2]} * w[k];
            }
            for (std::size_t c = 0; c < 3; ++c) into[c] = mean_across(sum[c]);
        }
    }

    LinearPicture out;
    out.width = width;
    out.height = height;
    out.rgb.assign(pixels(width, height) * 3, 0);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    const Mean mean_down(from_height);
    std::vector<std::uint64_t> sum(stride);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        std::fill(sum.begin(), sum.end(), 0);
        const std::uint32_t* w = &down.weights[down.at[y]];
        for (std::size_t k = 0; k < down.count[y]; ++k) {
            const std::uint16_t* from = &narrow[(down.first[y] + k) * stride];
            for (std::size_t i = 0; i < stride; ++i) sum[i] += std::uint64_t{from[i]} * w[k];
        }
        std::uint16_t* into = &out.rgb[y * stride];
        for (std::size_t i = 0; i < stride; ++i) into[i] = mean_down(sum[i]);
    }
    return out;
}

}  // namespace

bool fits_mode(int width, int height, int mode) {
    const SizeLimits limits = size_limits(mode);
    return width >= 1 && height >= 1 && width <= limits.widest && height <= limits.highest &&
           width % limits.multiple == 0;
}

FitPlan fit_plan(int width, int height, int mode) {
    const SizeLimits limits = size_limits(mode);
    FitPlan plan{width, height, width, height};
    if (fits_mode(width, height, mode) || width < 1 || height < 1) return plan;

    // The scaled width before rounding: the factor is the smaller of the two limits'
    // (64-bit: the products reach 2^45).
    const std::int64_t w = width;
    const std::int64_t h = height;
    std::int64_t scaled = w;
    if (w > limits.widest) scaled = limits.widest;
    if (h > limits.highest) scaled = std::min(scaled, w * limits.highest / h);
    const std::int64_t grouped = scaled / limits.multiple * limits.multiple;

    if (grouped >= limits.multiple) {
        const std::int64_t rows = (2 * h * grouped + w) / (2 * w);
        plan.width = plan.scaled_width = static_cast<int>(grouped);
        plan.height = plan.scaled_height =
            static_cast<int>(std::clamp<std::int64_t>(rows, 1, limits.highest));
        return plan;
    }
    // Narrower than one group: keep the rows the limit allows, the width following,
    // and fill the group up with the background.
    const std::int64_t rows = std::min<std::int64_t>(h, limits.highest);
    plan.scaled_height = static_cast<int>(rows);
    plan.scaled_width = static_cast<int>(std::clamp<std::int64_t>((2 * w * rows + h) / (2 * h), 1, w));
    plan.width = limits.multiple;
    plan.height = plan.scaled_height;
    return plan;
}

LinearPicture fit_picture(const PixelView& picture, int mode, Rgb background) {
    const FitPlan plan = fit_plan(picture.width, picture.height, mode);
    LinearPicture scaled;
    if (plan.scaled_width == picture.width && plan.scaled_height == picture.height) {
        scaled = to_linear(picture, background);
    } else if (picture.channels == 3) {
        // Never the whole picture in linear light, which would be twice the decoded
        // one: opaque samples are looked up as they are scaled, and a row with alpha
        // is laid over the background just before.
        const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
        scaled = scale_rows(picture.width, picture.height, plan.scaled_width, plan.scaled_height, [&](int y) {
            return SrgbSamples{picture.pixels.data() + stride * static_cast<std::size_t>(y), linear_table().data()};
        });
    } else {
        std::vector<std::uint16_t> row(static_cast<std::size_t>(picture.width) * 3);
        scaled = scale_rows(picture.width, picture.height, plan.scaled_width, plan.scaled_height, [&](int y) {
            linear_row(picture, y, background, row.data());
            return static_cast<const std::uint16_t*>(row.data());
        });
    }
    if (plan.width == plan.scaled_width) return scaled;

    LinearPicture out;
    out.width = plan.width;
    out.height = plan.height;
    out.rgb.resize(pixels(plan.width, plan.height) * 3);
    const std::uint16_t back[3] = {linear_of(background.r), linear_of(background.g), linear_of(background.b)};
    for (std::size_t i = 0; i < out.rgb.size(); ++i) out.rgb[i] = back[i % 3];
    for (int y = 0; y < plan.scaled_height; ++y)
        std::copy_n(&scaled.rgb[pixels(plan.scaled_width, y) * 3],
                    static_cast<std::size_t>(plan.scaled_width) * 3, &out.rgb[pixels(plan.width, y) * 3]);
    return out;
}

}  // namespace picfit
