// codefit's message table and the names of its codes; the code of the first message
// is the exit status of a failed run.
#pragma once

#include "common/reporter.hpp"

namespace codefit {

enum Error : int {
    kSameName = 1,  // then 2 to 6, the frame's (see fit::frame_messages)
    kLoadAddress = 7,   // load_address out of the target's range
    kEntryAddress = 8,  // entry_address out of range
    kCodeEnd = 9,       // load_address + LengthIN past the highest address
};

namespace detail {
inline constexpr auto messages = fit::after_frame_messages({
    "Allocation memory out of range.\n",
    "Branch address out of range.\n",
    "Binary source file too long.\n",
});
}  // namespace detail

}  // namespace codefit

namespace fit {
inline constexpr ErrorTable codefit_errors{codefit::detail::messages, "Erreur %i\n"};
}  // namespace fit
