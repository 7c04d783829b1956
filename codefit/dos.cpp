// Object module in tagged object text, one line per disk container record.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "types.hpp"
#include "media/disk_container.hpp"
#include "media/object_module.hpp"

namespace codefit {

namespace {

using media::firstline;
using media::lastline;

constexpr std::size_t kLineLength = media::kModuleLineLength;
constexpr std::size_t kBytesPerLine = media::kModuleBytesPerLine;
constexpr std::size_t kRecordSize = media::kRecordWordSize + kLineLength;
static_assert(kRecordSize * ((media::kModuleLongest + kBytesPerLine - 1) / kBytesPerLine + 2) <=
              media::kMaxRecordsSize);

constexpr std::string_view hexadigit = "0123456789ABCDEF";

// The two digits of every byte, high nibble first.
constexpr std::array<std::array<char, 2>, 256> kDigits = [] {
    std::array<std::array<char, 2>, 256> digits{};
    for (std::size_t v = 0; v < digits.size(); ++v) digits[v] = {hexadigit[v >> 4], hexadigit[v & 15]};
    return digits;
}();

// Writes the tag and the digits of each byte from `at`; returns the position after.
std::uint8_t* put_tagged(std::uint8_t* at, char tag, std::span<const std::uint8_t> bytes) {
    *at++ = static_cast<std::uint8_t>(tag);
    for (const std::uint8_t b : bytes) {
        std::memcpy(at, kDigits[b].data(), 2);
        at += 2;
    }
    return at;
}

// A data line of 28 bytes, written straight into its record: 14 "B" words and "F",
// with a fixed count the compiler unrolls.
void full_line(const std::uint8_t* bytes, std::uint8_t* at) {
    for (std::size_t w = 0; w < kBytesPerLine / 2; ++w, at += 5) {
        at[0] = 'B';
        std::memcpy(at + 1, kDigits[bytes[2 * w]].data(), 2);
        std::memcpy(at + 3, kDigits[bytes[2 * w + 1]].data(), 2);
    }
    *at = 'F';
}

// The last data line, of 1 to 27 bytes: a "B" word per pair, "*" for a lone last
// byte, then "F" and blanks to the end.
void data_line(std::span<const std::uint8_t> bytes, std::span<std::uint8_t> line) {
    std::uint8_t* at = line.data();
    std::size_t i = 0;
    for (; i + 2 <= bytes.size(); i += 2) at = put_tagged(at, 'B', bytes.subspan(i, 2));
    if (i < bytes.size()) at = put_tagged(at, '*', bytes.subspan(i, 1));
    *at++ = 'F';
    std::fill(at, line.data() + line.size(), static_cast<std::uint8_t>(' '));
}

}  // namespace

int DosConv(const State& state, fit::Work& work, fit::Reporter& report) {
    if (!ranges_hold({.load = state.load_address == media::kModuleAddress,
                      .entry = state.entry_address == media::kModuleAddress,
                      .end = static_cast<std::size_t>(work.LengthIN) <= media::kModuleLongest},
                     report))
        return 1;

    const auto source = work.input();
    const std::size_t nbfulline = source.size() / kBytesPerLine;
    const bool partial = source.size() % kBytesPerLine != 0;
    const std::size_t nbR = nbfulline + 2 + (partial ? 1 : 0);

    media::DiskFileWriter disk(work.out_buffer, nbR, kLineLength, nbR * kRecordSize);
    disk.add_record(firstline);
    for (std::size_t line = 0; line < nbfulline; ++line)
        full_line(source.data() + kBytesPerLine * line, disk.add_record(kLineLength).data());
    if (partial) data_line(source.subspan(kBytesPerLine * nbfulline), disk.add_record(kLineLength));
    disk.add_record(lastline);
    work.LengthOUT = static_cast<int>(disk.finish());
    return 0;
}

}  // namespace codefit
