#include <cstdio>

#include "options.hpp"
#include "run.hpp"

int main(int argc, char** argv) {
    std::fputs("Picfit 2010.01\n", stdout);
    std::fflush(stdout);
    fit::Reporter report(fit::picfit_errors);
    picfit::State state;
    if (picfit::ManageArguments(argc, argv, state, report) != 0) return picfit::kExitUsage;
    return picfit::run({state.source, state.color, state.target}, report);
}
