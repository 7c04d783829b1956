// Assembler source listing: every source byte in ".byte" directives of up to 16
// items, "$" and two upper-case hexadecimal digits each, lines ended by CR LF.
#include <algorithm>
#include <cassert>
#include <string_view>

#include "converters.hpp"

namespace datafit {

namespace {
constexpr std::string_view kDigits = "0123456789ABCDEF";
constexpr std::string_view kLineStart = "\r\n\t.byte ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kItemsPerLine = 16;
}  // namespace

// The listing ignores the sizes and the name: it always covers the whole source.
int TASMConv(const State&, fit::Work& work, fit::Reporter&) {
    const auto source = work.input();
    assert(listing_length(source.size()) <= work.bufOUT.size());
    std::uint8_t* out = work.bufOUT.data();
    const auto put = [&out](std::string_view text) { out = std::ranges::copy(text, out).out; };

    for (std::size_t line = 0; line < source.size(); line += kItemsPerLine) {
        put(kLineStart);
        const auto items = source.subspan(line, std::min(kItemsPerLine, source.size() - line));
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i != 0) *out++ = ',';
            *out++ = '$';
            *out++ = static_cast<std::uint8_t>(kDigits[items[i] >> 4]);
            *out++ = static_cast<std::uint8_t>(kDigits[items[i] & 0x0F]);
        }
    }
    put(kLineEnd);
    work.LengthOUT = static_cast<int>(out - work.bufOUT.data());
    return 0;
}

}  // namespace datafit
