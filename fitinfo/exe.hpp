// The executable disk file: a container of two records, the 17-byte header_Exec (low
// byte first) and the code stored last byte first.
#pragma once

#include <array>

#include "finding.hpp"

namespace fitinfo {

// Offsets within header_Exec.
inline constexpr std::size_t kExecBranch = 2;      // BrL, BrH
inline constexpr std::size_t kExecLength = 4;      // CodeLengthL, CodeLengthH
inline constexpr std::size_t kExecEnd = 6;         // RelocL, RelocH: the last code byte
inline constexpr std::size_t kExecFlag = 8;
inline constexpr std::size_t kExecVersion = 9;     // VersionL, VersionH
inline constexpr std::size_t kExecCheck = 11;      // the signature, backwards
inline constexpr std::size_t kExecSize = 17;
inline constexpr std::array<std::uint8_t, 6> kExecCheckBytes{'X', 'A', 'L', 'R', 'O', 'V'};

// Flag bits.
inline constexpr std::uint8_t kFlagHighLoad = 0x01;   // loads at 0x1000 or above
inline constexpr std::uint8_t kFlagClearVdp = 0x02;   // clears the video memory first
inline constexpr std::uint8_t kFlagReaches8000 = 0x04;

// A first record of 17 bytes that ends in the signature (one byte may be wrong).
bool looks_like_exe(const media::DiskFile& disk);

Checked read_exe(const media::DiskFile& disk);

}  // namespace fitinfo
