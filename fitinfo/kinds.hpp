// The kinds fitinfo tells by content, each written here once: the registry's rows
// (how the "not recognised" line lists a kind, how close a file is to it, how it is
// read and described) and the names its summaries and fault lines give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "recognise.hpp"

namespace fitinfo {

namespace kind_name {
inline constexpr std::string_view kTav = "TAV picture";
inline constexpr std::string_view kDiskFile = "disk file";
inline constexpr std::string_view kExe = "executable disk file (EXE)";
inline constexpr std::string_view kTaggedObject = "tagged object module (disk file)";
inline constexpr std::string_view kRecordFile = "data record file (disk file)";
inline constexpr std::string_view kCassette = "cassette image";
inline constexpr std::string_view kCodeCassette = "code cassette image";
inline constexpr std::string_view kDataCassette = "data cassette image";
inline constexpr std::string_view kRom = "ROM cartridge image";
inline constexpr std::string_view kBasic = "BASIC DATA loader program";
inline constexpr std::string_view kListing = "assembler listing";
}  // namespace kind_name

using Span = std::span<const std::uint8_t>;

struct Kind {
    std::string_view listed;  // its words in the "not recognised" line
    // How many bytes of its signature the file has wrong: it is tried at 0 or 1.
    std::size_t (*differences)(Span file, const InspectOptions& options);
    // The file read by the kind's reader and summarised by its describe(), or its fault.
    Inspection (*inspect)(Span file, const InspectOptions& options);
    bool first_of_equals = false;  // tried before the others as close
};

// "not recognised: neither a disk file, ..., nor an assembler listing."
std::string not_recognised_line();

}  // namespace fitinfo
