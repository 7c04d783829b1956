#include "cassette_parse.hpp"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

namespace fit_test {

namespace {

// Written down here again on purpose, not taken from the writer's header.
constexpr std::size_t kHeader = 9;  // name, marker, end and start fields
constexpr std::size_t kLeaderSize = 256;   // 255 bytes 0x55, then 0x70
constexpr std::size_t kBlockOverhead = 11;  // the header and the checksum twice
constexpr std::uint8_t kBlockMarker = 0x7A;

bool leader_at(std::span<const std::uint8_t> image, std::size_t p) {
    if (image.size() - p < kLeaderSize) return false;
    const auto leader = image.subspan(p, kLeaderSize);
    return std::all_of(leader.begin(), leader.end() - 1, [](std::uint8_t b) { return b == 0x55; }) &&
           leader.back() == 0x70;
}

std::uint8_t checksum(std::span<const std::uint8_t> data) {
    return static_cast<std::uint8_t>(std::accumulate(data.begin(), data.end(), 0u) & 0xFF);
}

std::uint16_t word_at(std::span<const std::uint8_t> image, std::size_t p) {
    return static_cast<std::uint16_t>(image[p] | image[p + 1] << 8);
}

// The end field of n bytes at start, as the writers store it.
std::uint16_t end_field(std::uint16_t start, std::size_t n) {
    const long end = static_cast<long>(start) + static_cast<long>(n) - 1;
    return static_cast<std::uint16_t>((end & 0xFF) | ((end / 256) & 0xFF) << 8);
}

// A data length for the block at p that its end field allows and after which its
// checksum pair and then a next leader or the end of the image follow. The field
// alone is ambiguous: it is kept to 16 bits, and the empty block at 0 has the same
// field as 256 bytes there.
std::optional<std::size_t> data_length(std::span<const std::uint8_t> image, std::size_t p,
                                       std::uint16_t start, std::uint16_t end) {
    const std::size_t wrapped = static_cast<std::uint16_t>(end - start + 1);
    std::array<std::size_t, 3> candidates{wrapped, wrapped + 0x10000, 0};
    for (const std::size_t n : candidates) {
        if (end_field(start, n) != end) continue;
        const std::size_t after = p + kHeader + n + 2;
        if (after > image.size()) continue;
        const std::uint8_t sum = checksum(image.subspan(p + kHeader, n));
        if (image[after - 2] != sum || image[after - 1] != sum) continue;
        if (after == image.size() || leader_at(image, after)) return n;
    }
    return std::nullopt;
}

}  // namespace

ParsedCassette parse_cassette(std::span<const std::uint8_t> image) {
    ParsedCassette parsed;
    const auto fail = [&](std::size_t at, const std::string& what) {
        parsed.error = what + " at image offset " + std::to_string(at);
        return parsed;
    };
    std::size_t p = 0;
    while (p < image.size()) {
        if (!leader_at(image, p)) return fail(p, "no leader");
        p += kLeaderSize;
        if (image.size() - p < kBlockOverhead) return fail(p, "block cut short");
        if (image[p + 4] != kBlockMarker) return fail(p + 4, "no marker 0x7A");
        CassetteBlock block;
        block.offset = p;
        std::reverse_copy(image.begin() + static_cast<std::ptrdiff_t>(p),
                          image.begin() + static_cast<std::ptrdiff_t>(p + 4), block.name.begin());
        block.end = word_at(image, p + 5);
        block.start = word_at(image, p + 7);
        const auto n = data_length(image, p, block.start, block.end);
        if (!n) return fail(p, "no data length fits the end field and the checksums");
        const auto data = image.subspan(p + kHeader, *n);
        block.data.assign(data.begin(), data.end());
        parsed.blocks.push_back(std::move(block));
        p += kHeader + *n + 2;
    }
    return parsed;
}

}  // namespace fit_test
