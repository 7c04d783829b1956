// Cassette image: the code as one block at its load address, optionally preceded by
// the two blocks of a BASIC loader that reads and starts it.
#include <array>
#include <span>

#include "converters.hpp"
#include "k7_loaders.hpp"
#include "media/cassette.hpp"

namespace codefit {

namespace {

struct Window {
    int first;
    int last;
    [[nodiscard]] bool holds(int address) const { return address >= first && address <= last; }
};

// The two places the machine can load cassette code into.
constexpr Window kLowWindow{0x8000, 0xBFFF};
constexpr Window kHighWindow{0xC300, 0xC7FF};
// Greatest address just past the code in the low window, whatever the loader.
constexpr int kLowLimit = 0xBFFF;

// A loader kind: its two constant blocks and how far the code may reach in the high
// window, where the loader itself needs the top bytes.
struct Loader {
    std::span<const std::uint8_t> first;
    std::span<const std::uint8_t> second;
    int high_limit;
};

constexpr std::array<Loader, 3> kLoaders{{
    {{}, {}, 0xC7FF},
    {loader1, loader1b, 0xC7FE},
    {loader2, loader2b, 0xC7FA},
}};

// The largest image: a full low window behind the longer loader.
constexpr std::size_t kLargestImage = 2 * media::kLeaderSize + loader2.size() + loader2b.size() +
                                      media::kUnitOverhead + (kLowLimit - kLowWindow.first);
static_assert(kLargestImage == 16383 + 1365);
static_assert(kLargestImage <= kCapacities.out);

const Loader& loader_for(int kind) {
    // Anything but 1 or 2 means no loader.
    return kind == 1 || kind == 2 ? kLoaders[static_cast<std::size_t>(kind)] : kLoaders[0];
}

}  // namespace

int K7Conv(const State& state, fit::Work& work, fit::Reporter& report) {
    const int reloc = state.RelocAdr;
    const bool low = kLowWindow.holds(reloc);
    if (!low && !kHighWindow.holds(reloc)) {
        report.erreur(kLoadAddress);
        return 1;
    }
    if (state.BrAdr != state.RelocAdr) {
        report.erreur(kEntryAddress);
        return 1;
    }
    const Loader& loader = loader_for(state.loaderk7);
    if (reloc + work.LengthIN > (low ? kLowLimit : loader.high_limit)) {
        report.erreur(kCodeEnd);
        return 1;
    }

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
