// What datafit's converters share: the buffers' sizes and the dispatch. The converters
// themselves are declared with their rows, in types.hpp.
#pragma once

#include <cstddef>

#include "common/frame.hpp"
#include "messages.hpp"
#include "options.hpp"

namespace datafit {

inline constexpr std::size_t kInCapacity = 640000;   // also the longest source accepted
inline constexpr std::size_t kOutCapacity = 640000;  // disk files and cassette images
static_assert(fit::states_limit(detail::messages[kSourceTooLong], kInCapacity));
static_assert(fit::states_limit(detail::messages[kImageTooLong], kOutCapacity));

// Characters of the listing of n bytes: a line start of 8 per 16 bytes, 4 per byte
// counted with its comma or its share of a line end, and the closing line end.
constexpr std::size_t listing_length(std::size_t n) { return 8 * ((n + 15) / 16) + 4 * n + 2; }

// The listing lists every byte datafit accepts, so its buffer grows to hold it.
constexpr fit::Capacities capacities(int type) {
    return {kInCapacity, type == kTASM ? listing_length(kInCapacity) : kOutCapacity};
}

// The converter that type_number selects.
int convert(const State& state, fit::Work& work, fit::Reporter& report);

}  // namespace datafit
