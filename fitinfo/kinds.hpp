// The kinds fitinfo tells by content: the shape of the registry's rows (how the "not
// recognised" line lists a kind, how close a file is to it, how it is read and
// described; the rows are in recognise.cpp) and the names of the containers. Each kind
// names itself, in its reader's header, in kind_name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "recognise.hpp"

namespace fitinfo {

namespace kind_name {
inline constexpr std::string_view kDiskFile = "disk file";
inline constexpr std::string_view kCassette = "cassette image";
}  // namespace kind_name

using Span = std::span<const std::uint8_t>;

struct Kind {
    std::string_view listed;  // its words in the "not recognised" line
    // How many bytes of its signature the file has wrong: it is tried at 0 or 1.
    std::size_t (*differences)(Span file);
    // The file read by the kind's reader and summarised by its describe(), or its fault.
    Inspection (*inspect)(Span file, const InspectOptions& options);
    bool first_of_equals = false;  // tried before the others as close
};

// "not recognised: neither a disk file, ..., nor an assembler listing."
std::string not_recognised_line();

}  // namespace fitinfo
