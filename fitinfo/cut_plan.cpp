#include "cut_plan.hpp"

#include <algorithm>

namespace fitinfo {

std::optional<CutBreak> check_cut(std::span<const std::size_t> sizes) {
    if (sizes.empty()) return CutBreak{0, "at least one piece"};
    if (sizes[0] == 0) return CutBreak{0, "at least 1 byte"};
    if (sizes.size() <= 2) return std::nullopt;
    for (std::size_t i = 1; i < sizes.size(); ++i)
        if (sizes[i] == 0) return CutBreak{i, "at least 1 byte"};
    const std::size_t size = sizes[1];
    for (std::size_t i = 1; i + 1 < sizes.size(); ++i)
        if (sizes[i] != size)
            return CutBreak{i, std::to_string(size) + " bytes, as the pieces before"};
    if (sizes.back() == 0 || sizes.back() > size)
        return CutBreak{sizes.size() - 1, "1 to " + std::to_string(size) + " bytes"};
    return std::nullopt;
}

DeclaredLongest declared_longest(std::span<const std::size_t> sizes) {
    if (sizes.size() >= 3 || (sizes.size() == 2 && sizes[1] == 0))
        return {std::max(sizes[0], sizes[1]), true};
    return {sizes.empty() ? 0 : *std::max_element(sizes.begin(), sizes.end()), false};
}

}  // namespace fitinfo
