#include "program.hpp"

#include <cstdio>

#include "options.hpp"
#include "run.hpp"

namespace picfit {

int program_main(int argc, char** argv) {
    std::fputs("Picfit 2010.01\n", stdout);
    std::fflush(stdout);
    fit::Reporter report(fit::picfit_errors);
    picfit::State state;
    if (const int parsed = picfit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? picfit::kExitDone : picfit::kExitUsage;
    return picfit::run({state.source, state.color, state.target}, report);
}

}  // namespace picfit
