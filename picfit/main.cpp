#include <cstdio>

#include "options.hpp"
#include "run.hpp"
#include "common/file_io.hpp"

int main(int argc, char** argv) {
    fit::start_process(argc, argv);
    std::fputs("Picfit 2010.01\n", stdout);
    std::fflush(stdout);
    fit::Reporter report(fit::picfit_errors);
    picfit::State state;
    if (const int parsed = picfit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? picfit::kExitDone : picfit::kExitUsage;
    return picfit::run({state.source, state.color, state.target}, report);
}
