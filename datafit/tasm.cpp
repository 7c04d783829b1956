// Assembler source listing: every source byte in ".byte" directives of up to 16
// items, "$" and two upper-case hexadecimal digits each, lines ended by CR LF.
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "types.hpp"
#include "media/byte_listing.hpp"

namespace datafit {

namespace {
constexpr std::string_view kLineStart = media::kListingLineStart;
constexpr std::string_view kLineEnd = media::kListingLineEnd;
constexpr std::size_t kItemsPerLine = media::kListingItemsPerLine;
constexpr std::size_t kItem = 4;  // "$XX,"

// Every item with the comma that follows it: one 4-byte store a source byte.
constexpr std::array<std::array<char, kItem>, 256> kItems = [] {
    constexpr std::string_view digits = "0123456789ABCDEF";
    std::array<std::array<char, kItem>, 256> items{};
    for (std::size_t v = 0; v < items.size(); ++v) items[v] = {'$', digits[v >> 4], digits[v & 15], ','};
    return items;
}();
static_assert(std::endian::native == std::endian::little, "two items are stored as one word");

// The same items as 32-bit words, in memory order, to be stored two at a time.
const std::array<std::uint32_t, 256> kPacked = [] {
    std::array<std::uint32_t, 256> packed{};
    for (std::size_t v = 0; v < packed.size(); ++v) std::memcpy(&packed[v], kItems[v].data(), kItem);
    return packed;
}();
}  // namespace

// The listing ignores the sizes and the name: it always covers the whole source.
int TASMConv(const State&, fit::Work& work, fit::Reporter&) {
    const auto source = work.input();
    assert(listing_length(source.size()) <= work.out_buffer.size());
    std::uint8_t* out = work.out_buffer.data();

    // The last item of a line needs no comma: what comes next, a line start or the
    // final line end, is written over it.
    const auto put_line = [&out](const std::uint8_t* items, std::size_t n) {
        std::memcpy(out, kLineStart.data(), kLineStart.size());
        out += kLineStart.size();
        for (std::size_t i = 0; i < n; ++i) std::memcpy(out + kItem * i, kItems[items[i]].data(), kItem);
        out += kItem * n - 1;
    };
    const std::size_t full = source.size() / kItemsPerLine;
    // Full lines two items a store.
    for (std::size_t line = 0; line < full; ++line) {
        const std::uint8_t* items = source.data() + kItemsPerLine * line;
        std::memcpy(out, kLineStart.data(), kLineStart.size());
        out += kLineStart.size();
        for (std::size_t i = 0; i < kItemsPerLine; i += 2, out += 2 * kItem) {
            const std::uint64_t pair = kPacked[items[i]] | std::uint64_t{kPacked[items[i + 1]]} << 32;
            std::memcpy(out, &pair, sizeof pair);
        }
        --out;
    }
    if (const std::size_t rest = source.size() % kItemsPerLine; rest != 0)
        put_line(source.data() + kItemsPerLine * full, rest);
    std::memcpy(out, kLineEnd.data(), kLineEnd.size());
    out += kLineEnd.size();
    work.LengthOUT = static_cast<int>(out - work.out_buffer.data());
    return 0;
}

}  // namespace datafit
