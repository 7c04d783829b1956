// The entry points every fuzz target shares: the programs' own messages go nowhere,
// since printing them would cost more than most runs, and a broken rule is told on
// the fuzzer's own stream before the run aborts, which makes the fuzzer keep the
// input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "checks.hpp"

namespace fit_fuzz {

inline std::FILE* fuzzer_stream = nullptr;

// libFuzzer took its own copy of the stderr stream when it started, and the
// sanitizers write to the descriptor: only the programs' prints are silenced.
inline void silence_programs() {
    fuzzer_stream = stderr;
    if (std::FILE* none = std::fopen("/dev/null", "w")) {
        stderr = none;
        stdout = none;
    }
}



inline int run_check(Check check, const std::uint8_t* data, std::size_t size) {
    const std::string broken = check({data, size});
    if (!broken.empty()) {
        std::fprintf(fuzzer_stream != nullptr ? fuzzer_stream : stderr, "broken rule: %s\n",
                     broken.c_str());
        std::abort();
    }
    return 0;
}

}  // namespace fit_fuzz

#define FIT_FUZZ_TARGET(check)                                                      \
    extern "C" int LLVMFuzzerInitialize(int*, char***) {                            \
        fit_fuzz::silence_programs();                                               \
        return 0;                                                                   \
    }                                                                               \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        return fit_fuzz::run_check(check, data, size);                              \
    }
