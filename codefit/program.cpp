#include "program.hpp"

#include <cstdio>

#include "converters.hpp"
#include "common/options.hpp"

namespace codefit {

int program_main(int argc, char** argv) {
    fit::print_banner("Codefit 2010.01\n", codefit::outline(argc, argv));
    fit::Reporter report(fit::codefit_errors);
    codefit::State state;
    if (const int parsed = codefit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? fit::answered_status() : 1;
    report.set_verbose(state.verbose);
    const fit::Run run{codefit::kCapacities, {}, state.source, state.target, state.quiet};
    return fit::run_conversion(
        run, [&](fit::Work& work, fit::Reporter& r) { return codefit::convert(state, work, r); },
        report);
}

}  // namespace codefit
