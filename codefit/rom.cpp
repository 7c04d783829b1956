// ROM cartridge image: the target range 0x0200..0x7FFF with the code at its load
// address and a four-byte trailer at the top.
#include <cstring>

#include "types.hpp"
#include "media/rom_image.hpp"

namespace codefit {

int RomConv(const State& state, fit::Work& work, fit::Reporter& report) {
    const int reloc = state.load_address;
    const int entry = state.entry_address;
    if (!ranges_hold({.load = media::kRomCodeWindow.holds(reloc),
                      .entry = media::kRomCodeWindow.holds(entry),
                      .end = reloc + work.LengthIN <= media::kRomCodeWindow.last},
                     report))
        return 1;

    auto image = std::span(work.out_buffer).first(media::kRomSize);
    // memset and memcpy: at -O2 ranges::fill and copy are loops of single bytes.
    std::memset(image.data(), 0x00, image.size());
    const auto trailer = image.subspan(media::kRomTrailer);
    trailer[0] = state.pagination ? media::kRomPaged : media::kRomUnpaged;
    trailer[1] = media::kRomSignature;
    trailer[2] = static_cast<std::uint8_t>(entry >> 8);
    trailer[3] = static_cast<std::uint8_t>(entry & 0xFF);
    std::memcpy(image.data() + (reloc - media::kRomBase), work.input().data(), work.input().size());
    work.LengthOUT = static_cast<int>(media::kRomSize);
    return 0;
}

}  // namespace codefit
