// The executable disk file: a disk container of two records, the 17-byte ExeHeader
// and the code stored last byte first, so that the loader can store it at falling
// addresses from the end address down.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "media/address_window.hpp"

namespace media {

// Low byte first throughout, unlike the container header.
struct ExeHeader {
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
static_assert(sizeof(ExeHeader) == 17);

// Offsets within ExeHeader.
inline constexpr std::size_t kExecBranch = offsetof(ExeHeader, BrL);
inline constexpr std::size_t kExecLength = offsetof(ExeHeader, CodeLengthL);
inline constexpr std::size_t kExecEnd = offsetof(ExeHeader, RelocL);
inline constexpr std::size_t kExecFlag = offsetof(ExeHeader, Flag);
inline constexpr std::size_t kExecVersion = offsetof(ExeHeader, VersionL);
inline constexpr std::size_t kExecCheck = offsetof(ExeHeader, Check);
inline constexpr std::size_t kExecSize = sizeof(ExeHeader);
inline constexpr unsigned kExecVersionValue = 0x0001;
inline constexpr std::array<std::uint8_t, 6> kExecCheckBytes = ExeHeader{}.Check;

// Where the code may load and start; the address just past it must stay within
// kExecWindow.last too.
inline constexpr Window kExecWindow{0x0200, 0xBFFF};

// Flag bits.
inline constexpr std::uint8_t kExecHighLoad = 0x01;  // loaded at 0x1000 or above
inline constexpr std::uint8_t kExecClearVdp = 0x02;  // clears the video memory first (-c)
inline constexpr std::uint8_t kExecHighEnd = 0x04;   // last byte at 0x8000 or above

// The flag that code of `length` bytes loaded at `load` carries.
constexpr std::uint8_t exec_flag(int load, int length, bool clear_vdp) {
    return static_cast<std::uint8_t>((load >= 0x1000 ? kExecHighLoad : 0) |
                                     (load + length > 0x8000 ? kExecHighEnd : 0) |
                                     (clear_vdp ? kExecClearVdp : 0));
}

}  // namespace media
