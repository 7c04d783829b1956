// Executable disk file: a disk container with two records, the executable header and
// the code stored last byte first, so that the loader can store it at falling
// addresses from the end address down.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "converters.hpp"
#include "media/disk_container.hpp"

namespace codefit {

namespace {

// Low byte first throughout, unlike the container header.
struct header_Exec {
    std::uint8_t Reserved2 = 0x00;
    std::uint8_t Reserved1 = 0x00;
    std::uint8_t BrL = 0;
    std::uint8_t BrH = 0;
    std::uint8_t CodeLengthL = 0;
    std::uint8_t CodeLengthH = 0;
    std::uint8_t RelocL = 0;  // address of the last code byte
    std::uint8_t RelocH = 0;
    std::uint8_t Flag = 0;
    std::uint8_t VersionL = 0x01;
    std::uint8_t VersionH = 0x00;
    std::array<std::uint8_t, 6> Check{'X', 'A', 'L', 'R', 'O', 'V'};  // read backwards
};
static_assert(sizeof(header_Exec) == 17);

constexpr int kLowest = 0x0200;
constexpr int kHighest = 0xBFFF;

constexpr std::uint8_t kHighLoad = 0x01;  // loaded at 0x1000 or above
constexpr std::uint8_t kClearVdp = 0x02;  // -c
constexpr std::uint8_t kHighEnd = 0x04;   // last byte at 0x8000 or above

constexpr std::uint8_t low(int v) { return static_cast<std::uint8_t>(v & 0xFF); }
constexpr std::uint8_t high(int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

header_Exec make_exec(const State& state, int length) {
    const int reloc = state.RelocAdr;
    const int last = reloc + length - 1;
    header_Exec exec;
    exec.BrL = low(state.BrAdr);
    exec.BrH = high(state.BrAdr);
    exec.CodeLengthL = low(length);
    exec.CodeLengthH = high(length);
    exec.RelocL = low(last);
    exec.RelocH = high(last);
    exec.Flag = reloc >= 0x1000 ? kHighLoad : 0;
    if (reloc + length > 0x8000) exec.Flag |= kHighEnd;
    if (state.clearvdp) exec.Flag |= kClearVdp;
    return exec;
}

// The code last byte first, eight bytes a step: a byte swap of each word read from
// the end.
void reverse_into(std::span<const std::uint8_t> code, std::span<std::uint8_t> out) {
    const std::size_t n = code.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, code.data() + (n - i - 8), 8);
        word = __builtin_bswap64(word);
        std::memcpy(out.data() + i, &word, 8);
    }
    for (; i < n; ++i) out[i] = code[n - 1 - i];
}

}  // namespace

int ExeConv(const State& state, fit::Work& work, fit::Reporter& report) {
    const int reloc = state.RelocAdr;
    const int entry = state.BrAdr;
    const int length = work.LengthIN;
    if (reloc < kLowest || reloc > kHighest) {
        report.erreur(kLoadAddress);
        return 1;
    }
    if (entry < kLowest || entry > kHighest) {
        report.erreur(kEntryAddress);
        return 1;
    }
    if (reloc + length > kHighest) {
        report.erreur(kCodeEnd);
        return 1;
    }

    const auto exec = std::bit_cast<std::array<std::uint8_t, sizeof(header_Exec)>>(
        make_exec(state, length));
    const std::size_t code_size = work.input().size();
    const std::size_t records = media::kRecordWordSize + sizeof exec +
                                media::kRecordWordSize + code_size;

    media::DiskFileWriter disk(work.bufOUT, 2, code_size, records);
    disk.add_record(exec);
    reverse_into(work.input(), disk.add_record(code_size));
    work.LengthOUT = static_cast<int>(disk.finish());
    return 0;
}

}  // namespace codefit
