// codefit's message table and the names of its codes; the code of the first message
// is the exit status of a failed run.
#pragma once

#include "common/erreur.hpp"

namespace codefit {

enum Error : int {
    kSameName = 1,  // then 2 to 6, the frame's (see fit::frame_messages)
    kLoadAddress = 7,   // RelocAdr out of the target's range
    kEntryAddress = 8,  // BrAdr out of range
    kCodeEnd = 9,       // RelocAdr + LengthIN past the highest address
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
