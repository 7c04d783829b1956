// ROM cartridge image: the target range 0x0200..0x7FFF with the code at its load
// address and a four-byte trailer at the top.
#include <cstring>

#include "converters.hpp"

namespace codefit {

namespace {
constexpr int kImageBase = 0x0200;
constexpr int kImageSize = 0x7E00;  // 32256 bytes
constexpr int kHighest = 0x7FFB;    // last address below the trailer, always 0x00
constexpr std::uint8_t kPaged = 0x55;
constexpr std::uint8_t kUnpaged = 0xAA;
constexpr std::uint8_t kTrailerMark = 0x8C;
}  // namespace

int RomConv(const State& state, fit::Work& work, fit::Reporter& report) {
    const int reloc = state.RelocAdr;
    const int entry = state.BrAdr;
    if (reloc < kImageBase || reloc > kHighest) {
        report.erreur(kLoadAddress);
        return 1;
    }
    if (entry < kImageBase || entry > kHighest) {
        report.erreur(kEntryAddress);
        return 1;
    }
    if (reloc + work.LengthIN > kHighest) {
        report.erreur(kCodeEnd);
        return 1;
    }

    auto image = std::span(work.bufOUT).first(kImageSize);
    // memset and memcpy: at -O2 ranges::fill and copy are loops of single bytes.
    std::memset(image.data(), 0x00, image.size());
    image[kImageSize - 4] = state.pagination ? kPaged : kUnpaged;
    image[kImageSize - 3] = kTrailerMark;
    image[kImageSize - 2] = static_cast<std::uint8_t>(entry >> 8);
    image[kImageSize - 1] = static_cast<std::uint8_t>(entry & 0xFF);
    std::memcpy(image.data() + (reloc - kImageBase), work.input().data(), work.input().size());
    work.LengthOUT = kImageSize;
    return 0;
}

}  // namespace codefit
