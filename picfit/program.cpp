#include "program.hpp"

#include "options.hpp"
#include "run.hpp"

namespace picfit {

int program_main(int argc, char** argv) {
    fit::print_banner("Picfit 2010.01\n", picfit::outline(argc, argv));
    fit::Reporter report(fit::picfit_errors);
    picfit::State state;
    if (const int parsed = picfit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered && fit::answered_status() == 0 ? picfit::kExitDone
                                                                       : picfit::kExitUsage;
    report.set_verbose(state.verbose);
    return picfit::run(picfit::job_of(state), report);
}

}  // namespace picfit
