#include "picture_fit.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pcx.hpp"

namespace picfit {

namespace {

// The source pixels one new pixel covers along an axis, each with its share in units
// of 1 / to of a source pixel; the shares of one new pixel add up to `from`.
struct Span {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

std::vector<Span> spans(int from, int to) {
    std::vector<Span> out(static_cast<std::size_t>(to));
    for (int x = 0; x < to; ++x) {
        // New pixel x covers [x * from, (x + 1) * from) and source pixel i covers
        // [i * to, (i + 1) * to), both in units of 1 / (from x to) of the picture.
        const std::int64_t begin = std::int64_t{x} * from;
        const std::int64_t end = begin + from;
        Span& s = out[static_cast<std::size_t>(x)];
        s.first = static_cast<int>(begin / to);
        for (std::int64_t i = s.first; i * to < end; ++i)
            s.weights.push_back(static_cast<std::uint32_t>(std::min(end, (i + 1) * to) - std::max(begin, i * to)));
    }
    return out;
}

std::uint16_t mean(std::uint64_t sum, int total) {
    return static_cast<std::uint16_t>((sum + static_cast<std::uint64_t>(total) / 2) / static_cast<std::uint64_t>(total));
}

std::size_t pixels(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

}  // namespace

bool fits_mode(int width, int height, int color) {
    const SizeLimits limits = size_limits(color);
    return width >= 1 && height >= 1 && width <= limits.widest && height <= limits.highest &&
           width % limits.multiple == 0;
}

FitPlan fit_plan(int width, int height, int color) {
    const SizeLimits limits = size_limits(color);
    FitPlan plan{width, height, width, height};
    if (fits_mode(width, height, color) || width < 1 || height < 1) return plan;

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

LinearPicture scale_down(const LinearPicture& picture, int width, int height) {
    if (width == picture.width && height == picture.height) return picture;
    const std::vector<Span> across = spans(picture.width, width);
    const std::vector<Span> down = spans(picture.height, height);

    // Rows first: every source row to the new width.
    std::vector<std::uint16_t> narrow(pixels(width, picture.height) * 3);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint16_t* row = &picture.rgb[pixels(picture.width, y) * 3];
        std::uint16_t* into = &narrow[pixels(width, y) * 3];
        for (int x = 0; x < width; ++x) {
            const Span& s = across[static_cast<std::size_t>(x)];
            std::uint64_t sum[3] = {0, 0, 0};
            for (std::size_t k = 0; k < s.weights.size(); ++k) {
                const std::uint16_t* p = row + (static_cast<std::size_t>(s.first) + k) * 3;
                sum[0] += std::uint64_t{p[0]} * s.weights[k];
                sum[1] += std::uint64_t{p[1]} * s.weights[k];
                sum[2] += std::uint64_t{p[2]} * s.weights[k];
            }
            for (int c = 0; c < 3; ++c) into[x * 3 + c] = mean(sum[c], picture.width);
        }
    }

    LinearPicture out;
    out.width = width;
    out.height = height;
    out.rgb.assign(pixels(width, height) * 3, 0);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint64_t> sum(stride);
    for (int y = 0; y < height; ++y) {
        const Span& s = down[static_cast<std::size_t>(y)];
        std::fill(sum.begin(), sum.end(), 0);
        for (std::size_t k = 0; k < s.weights.size(); ++k) {
            const std::uint16_t* row = &narrow[(static_cast<std::size_t>(s.first) + k) * stride];
            for (std::size_t i = 0; i < stride; ++i) sum[i] += std::uint64_t{row[i]} * s.weights[k];
        }
        std::uint16_t* into = &out.rgb[static_cast<std::size_t>(y) * stride];
        for (std::size_t i = 0; i < stride; ++i) into[i] = mean(sum[i], picture.height);
    }
    return out;
}

LinearPicture fit_picture(const LinearPicture& picture, int color, Rgb background) {
    const FitPlan plan = fit_plan(picture.width, picture.height, color);
    LinearPicture scaled = scale_down(picture, plan.scaled_width, plan.scaled_height);
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
