// Runs a built program as a user would and collects what it printed and its exit
// status.
#pragma once

#include <string>
#include <vector>

namespace fit_test {

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs FIT_BIN_DIR/program with the arguments, in the working directory `cwd`,
// with no standard input.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd);

}  // namespace fit_test
