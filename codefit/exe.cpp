// Executable disk file: the executable header and the code stored last byte first, as
// the two records of a disk container.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "types.hpp"
#include "media/disk_container.hpp"
#include "media/exe_file.hpp"

namespace codefit {

namespace {

using media::ExeHeader;
using media::kExecWindow;

constexpr std::uint8_t low(int v) { return static_cast<std::uint8_t>(v & 0xFF); }
constexpr std::uint8_t high(int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

ExeHeader make_exec(const State& state, int length) {
    const int last = state.load_address + length - 1;
    ExeHeader exec;
    exec.BrL = low(state.entry_address);
    exec.BrH = high(state.entry_address);
    exec.CodeLengthL = low(length);
    exec.CodeLengthH = high(length);
    exec.RelocL = low(last);
    exec.RelocH = high(last);
    exec.Flag = media::exec_flag(state.load_address, length, state.clearvdp);
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
    const int reloc = state.load_address;
    const int entry = state.entry_address;
    const int length = work.LengthIN;
    if (!ranges_hold({.load = kExecWindow.holds(reloc),
                      .entry = kExecWindow.holds(entry),
                      .end = reloc + length <= kExecWindow.last},
                     report))
        return 1;

    const auto exec = std::bit_cast<std::array<std::uint8_t, sizeof(ExeHeader)>>(
        make_exec(state, length));
    const std::size_t code_size = work.input().size();
    const std::size_t records = media::kRecordWordSize + sizeof exec +
                                media::kRecordWordSize + code_size;

    media::DiskFileWriter disk(work.out_buffer, 2, code_size, records);
    disk.add_record(exec);
    reverse_into(work.input(), disk.add_record(code_size));
    work.LengthOUT = static_cast<int>(disk.finish());
    return 0;
}

}  // namespace codefit
