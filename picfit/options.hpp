// picfit's settings and its option parser.
#pragma once

#include <string>

#include "messages.hpp"
#include "tav.hpp"

namespace picfit {

struct State {
    int color = kColour;  // -b: kTwoColour
    std::string source;
    std::string target;

    bool operator==(const State&) const = default;
};

// 0 when the run may go on, 1 when the program must exit with status 1.
int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report);

}  // namespace picfit
