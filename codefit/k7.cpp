// Code cassette image: the code as one block, behind the blocks of a BASIC loader
// when one is asked for.
#include <array>
#include <span>

#include "converters.hpp"
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
    const int reloc = state.RelocAdr;
    const bool low = kLowWindow.holds(reloc);
    const media::Loader& loader = media::loader_for(state.loaderk7);
    if (!ranges_hold({.load = low || kHighWindow.holds(reloc),
                      .entry = state.BrAdr == state.RelocAdr,
                      .end = reloc + work.LengthIN <= (low ? kLowLimit : loader.high_limit)},
                     report))
        return 1;

    const std::span<std::uint8_t> out(work.bufOUT);
    std::size_t ptt = 0;
    if (!loader.first.empty()) {
        ptt = media::append_constant_block(out, ptt, state.K7Name, loader.first);
        ptt = media::append_constant_block(out, ptt, state.K7Name, loader.second);
    }
    ptt = media::append_unit(out, ptt, state.K7Name, reloc, work.input());
    work.LengthOUT = static_cast<int>(ptt);
    return 0;
}

}  // namespace codefit
