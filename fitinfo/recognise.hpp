// Tells the kind of a file by its content and checks it against every rule of that
// kind.
#pragma once

#include <optional>

#include "finding.hpp"

namespace fitinfo {

struct InspectOptions {
    std::optional<std::uint16_t> rom_load;  // where a ROM image's code starts, when known
    std::optional<std::uint16_t> rom_size;  // and how long it is
};

enum class Verdict { valid, broken, unrecognised };

struct Inspection {
    Verdict verdict = Verdict::unrecognised;
    std::string kind;                         // also named when the file is broken
    std::optional<Finding> finding;           // when valid
    std::optional<media::FormatError> error;  // when broken
};

// What a kind's inspect makes of its reader's result: a valid file of the kind
// described, or a broken one with its fault.
Inspection inspected(std::string_view kind, Checked checked);

// "not recognised: neither a disk file, ..., nor an assembler listing."
std::string not_recognised_line();

// Every kind whose signature the file carries, with at most one byte wrong, is
// tried, the closest first; the first that reads without fault wins, and when none
// does, the closest one's fault is reported.
Inspection inspect(std::span<const std::uint8_t> file, const InspectOptions& options);

}  // namespace fitinfo
