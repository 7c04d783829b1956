// The object module in tagged object text, one 71-character line per disk container
// record: the module line, data lines of "B" words (two bytes in four upper-case
// hexadecimal digits) and one "*" byte for an odd length, each closed by "F" and
// blanks, then the end line. The text carries no address, so only one address fits.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace media {

inline constexpr std::size_t kModuleLineLength = 71;
inline constexpr std::size_t kModuleBytesPerLine = 28;  // 14 words
inline constexpr int kModuleAddress = 0x1000;           // load and entry
inline constexpr std::size_t kModuleLongest = 45056;    // keeps the file within 255 units

using ModuleLine = std::array<std::uint8_t, kModuleLineLength>;

constexpr ModuleLine module_text_line(std::string_view text) {
    ModuleLine line{};
    std::fill(line.begin(), line.end(), ' ');
    std::copy(text.begin(), text.end(), line.begin());
    return line;
}

// 'K', four 0x00 bytes (not '0' characters), the name field and 'F'.
inline constexpr std::string_view kModuleHead{"K\0\0\0\0VORLAX  F", 14};
inline constexpr std::string_view kModuleName = "VORLAX";
static_assert(kModuleHead.substr(5, kModuleName.size()) == kModuleName);

inline constexpr ModuleLine firstline = module_text_line(kModuleHead);
inline constexpr ModuleLine lastline = module_text_line(":CODEFIT CONVERTER 2.0");

}  // namespace media
