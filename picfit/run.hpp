// picfit's run once the options were accepted: the picture read, dumped, coded and
// saved, each step's outcome printed as it comes.
#pragma once

#include <optional>
#include <string>

#include "messages.hpp"
#include "options.hpp"
#include "tav.hpp"

namespace picfit {

// Returns the exit status (see ExitStatus). The target, an explicit dump and the
// preview (made from the target as written) are saved together once every step before
// them succeeded, all or none; the default dump is written whatever fails after the
// picture was read, as it always was.
int run(const State& state, fit::Reporter& report);

}  // namespace picfit
