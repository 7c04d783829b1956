#include "program.hpp"

#include <cstdio>

#include "converters.hpp"

namespace codefit {

int program_main(int argc, char** argv) {
    std::fputs("Codefit 2010.01\n", stdout);
    std::fflush(stdout);
    fit::Reporter report(fit::codefit_errors);
    codefit::State state;
    if (const int parsed = codefit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? 0 : 1;
    const fit::Run run{codefit::kCapacities, {}, state.source, state.target};
    return fit::run_conversion(
        run, [&](fit::Work& work, fit::Reporter& r) { return codefit::convert(state, work, r); },
        report);
}

}  // namespace codefit
