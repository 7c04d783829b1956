// The run once the options were accepted: each file read, recognised, verified and
// summarised; with -x, its payload written.
#pragma once

#include "options.hpp"

namespace fitinfo {

// Returns the exit status (see Status).
int run(const Settings& settings);

}  // namespace fitinfo
