// The run once the options were accepted: each file read, recognised, verified and
// summarised; with -x, its payload written.
#pragma once

#include "options.hpp"

namespace fitinfo {

// Returns the exit status (see Status).
int run(const Settings& settings);

// Closes standard output once the run is over and returns the exit status: the run's
// `status`, or kReportLost when the end of the report could not be written.
int close_report(int status);

}  // namespace fitinfo
