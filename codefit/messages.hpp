// codefit's message table and the names of its codes; the code of the first message
// is the exit status of a failed run.
#pragma once

#include <array>
#include <string_view>

#include "common/erreur.hpp"

namespace codefit {

enum Error : int {
    kSameName = 1,
    // 2 to 6: the frame's own (common/frame.cpp).
    kLoadAddress = 7,   // RelocAdr out of the target's range
    kEntryAddress = 8,  // BrAdr out of range
    kCodeEnd = 9,       // RelocAdr + LengthIN past the highest address
};

namespace detail {
inline constexpr std::array<std::string_view, 14> messages{
    "",
    fit::text::same_filename,
    fit::text::cannot_open_source,
    fit::text::cannot_save_target,
    fit::text::when_loading,
    fit::text::when_saving,
    "Memory problem.\n",
    "Allocation memory out of range.\n",
    "Branch address out of range.\n",
    "Binary source file too long.\n",
};
}  // namespace detail

}  // namespace codefit

namespace fit {
inline constexpr ErrorTable codefit_errors{codefit::detail::messages, "Erreur %i\n"};
}  // namespace fit
