// The run once the options were accepted: each file read, recognised, verified and
// summarised; with -x, its payload written.
#pragma once

#include "options.hpp"

namespace fitinfo {

// Returns the exit status (see Status).
int run(const Settings& settings);

// Flushes standard output once the run is over and returns the exit status: the run's
// `status`, or kReportLost when the end of the report could not be written. A run may
// be one of many in a process (the web page's module), so standard output stays open;
// the process closes it at its end (close_standard_output).
int close_report(int status);

// At the process's end: closes standard output, since only closing it tells that
// everything reached it, and returns `status`, or kReportLost when that failed.
int close_standard_output(int status);

}  // namespace fitinfo
