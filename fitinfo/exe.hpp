// The executable disk file: a container of two records, ExeHeader and the code
// stored last byte first.
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kExe = "executable disk file (EXE)"; }

// A first record of 17 bytes that ends in the signature (one byte may be wrong).
bool looks_like_exe(const media::DiskFile& disk);

media::Checked<ExeFile> read_exe(const media::DiskFile& disk);
Finding describe(ExeFile exe);

// How many of the fields that every EXE file holds the same way this one breaks: a
// damaged EXE breaks one, data that merely opens like a header breaks more.
std::size_t exe_faults(const media::DiskFile& disk);

}  // namespace fitinfo
