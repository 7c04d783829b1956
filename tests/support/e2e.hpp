// Runs a built program as a user would and collects what it printed and its exit
// status.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fit_test {

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    int signal = 0;   // the signal that ended it, if one did
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs FIT_BIN_DIR/program with the arguments, in the working directory `cwd`,
// with no standard input. `in_child` runs in the new process just before the program
// starts (to set a limit, a user, the environment or another standard output).
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::function<void()>& in_child = {});

}  // namespace fit_test
