// The cut of the source by the -H and -r options (media/record_cut.hpp holds the rule).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "media/record_cut.hpp"
#include "messages.hpp"
#include "options.hpp"

namespace datafit {

// Tests the options against the source before anything is written, reporting only
// the first failure: the header size (7), the record size (8), both must fit an int
// and not be negative, then the header must not be longer than the source (7).
std::optional<media::RecordCut> plan_cut(const State& state, std::span<const std::uint8_t> source,
                                         fit::Reporter& report);

}  // namespace datafit
