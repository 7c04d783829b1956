// The object module in tagged object text: a container of 71-character records, the
// module record, data records of "B" words (two bytes in four hexadecimal digits),
// a last byte as "*" and two digits, each closed by "F", and the end record.
#pragma once

#include <array>

#include "finding.hpp"

namespace fitinfo {

inline constexpr std::size_t kTextRecordLength = 71;
inline constexpr std::size_t kBytesPerTextRecord = 28;
inline constexpr std::size_t kLongestModule = 45056;

// The module and end records, as every module holds them.
extern const std::array<std::uint8_t, kTextRecordLength> kModuleRecord;
extern const std::array<std::uint8_t, kTextRecordLength> kEndRecord;

// A first record of 71 characters that opens like the module record (one byte may be
// wrong).
bool looks_like_tagged_object(const media::DiskFile& disk);

Checked read_tagged_object(const media::DiskFile& disk);

}  // namespace fitinfo
