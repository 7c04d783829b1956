#include "cassette.hpp"

#include <algorithm>
#include <cassert>
#include <numeric>

namespace media {

namespace {

std::size_t put_name(std::span<std::uint8_t> out, std::size_t p, const fit::K7Name& name) {
    std::ranges::reverse_copy(name, out.begin() + static_cast<std::ptrdiff_t>(p));
    return p + name.size();
}

std::size_t put_leader(std::span<std::uint8_t> out, std::size_t p) {
    std::ranges::copy(sync, out.begin() + static_cast<std::ptrdiff_t>(p));
    return p + sync.size();
}

}  // namespace

std::uint8_t checksum(std::span<const std::uint8_t> data) {
    return static_cast<std::uint8_t>(
        std::accumulate(data.begin(), data.end(), 0u) & 0xFF);
}

std::size_t append_unit(std::span<std::uint8_t> out, std::size_t p, const fit::K7Name& name,
                        int start, std::span<const std::uint8_t> data) {
    assert(p + data.size() + kUnitOverhead <= out.size());
    p = put_leader(out, p);
    p = put_name(out, p, name);
    out[p++] = kBlockMarker;
    // Signed, so that an empty block at 0 gives the end field 0xFF 0x00.
    const int end = start + static_cast<int>(data.size()) - 1;
    out[p++] = static_cast<std::uint8_t>(end & 0xFF);
    out[p++] = static_cast<std::uint8_t>((end / 256) & 0xFF);
    out[p++] = static_cast<std::uint8_t>(start & 0xFF);
    out[p++] = static_cast<std::uint8_t>((start >> 8) & 0xFF);
    std::ranges::copy(data, out.begin() + static_cast<std::ptrdiff_t>(p));
    p += data.size();
    const std::uint8_t sum = checksum(data);
    out[p++] = sum;
    out[p++] = sum;
    return p;
}

std::size_t append_constant_block(std::span<std::uint8_t> out, std::size_t p,
                                  const fit::K7Name& name, std::span<const std::uint8_t> block) {
    assert(block.size() >= name.size() && p + kLeaderSize + block.size() <= out.size());
    p = put_leader(out, p);
    std::ranges::copy(block, out.begin() + static_cast<std::ptrdiff_t>(p));
    put_name(out, p, name);
    return p + block.size();
}

}  // namespace media
