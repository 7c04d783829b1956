// picfit's run once the options were accepted: the picture read, dumped, coded and
// saved, each step's outcome printed as it comes.
#pragma once

#include <optional>
#include <string>

#include "messages.hpp"
#include "tav.hpp"

namespace picfit {

// Left in the working directory after every successful read: the decoded pixels,
// nothing before or after, for looking at the picture as the converter saw it.
inline constexpr const char* kDumpName = "truc.raw";

struct Job {
    std::string source;  // the picture
    int color = kColour;
    std::string target;  // the TAV file
    // Where the decoded pixels go; nowhere when empty. A dump that cannot be written
    // is skipped without a word.
    std::optional<std::string> dump = std::string(kDumpName);
};

// Returns the exit status (see ExitStatus); the target is written only when every
// step succeeded.
int run(const Job& job, fit::Reporter& report);

}  // namespace picfit
