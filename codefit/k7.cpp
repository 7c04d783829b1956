// Code cassette image: the code as one block, behind the blocks of a BASIC loader
// when one is asked for.
#include <array>
#include <span>

#include "types.hpp"
#include "media/cassette.hpp"
#include "media/code_cassette.hpp"

namespace codefit {

namespace {

using media::kHighWindow;
using media::kLowLimit;
using media::kLowWindow;
using media::loader2;
using media::loader2b;

// The largest image: a full low window behind the longer loader.
constexpr std::size_t kLargestImage = 2 * media::kLeaderSize + loader2.size() + loader2b.size() +
                                      media::kUnitOverhead + (kLowLimit - kLowWindow.first);
static_assert(kLargestImage == 16383 + 1365);
static_assert(kLargestImage <= kCapacities.out);

}  // namespace

int K7Conv(const State& state, fit::Work& work, fit::Reporter& report) {
    const int reloc = state.load_address;
    const bool low = kLowWindow.holds(reloc);
    const media::Loader& loader = media::loader_for(state.loaderk7);
    if (!ranges_hold({.load = low || kHighWindow.holds(reloc),
                      .entry = state.entry_address == state.load_address,
                      .end = reloc + work.LengthIN <= (low ? kLowLimit : loader.high_limit)},
                     report))
        return 1;

    const std::span<std::uint8_t> out(work.out_buffer);
    std::size_t end = 0;
    if (!loader.first.empty()) {
        end = media::append_constant_block(out, end, state.K7Name, loader.first);
        end = media::append_constant_block(out, end, state.K7Name, loader.second);
    }
    end = media::append_unit(out, end, state.K7Name, reloc, work.input());
    work.LengthOUT = static_cast<int>(end);
    return 0;
}

}  // namespace codefit
