#include "program.hpp"

#include "common/frame.hpp"
#include "options.hpp"
#include "run.hpp"

namespace picfit {

static_assert(kExitDone == 0 && kExitUsage == 1, "the statuses fit::open_run returns");

int program_main(int argc, char** argv) {
    return fit::converter_main<State>(
        command_line(), fit::picfit_errors, argc, argv, ManageArguments,
        [](const State& state, fit::Reporter& report) { return run(state, report); });
}

}  // namespace picfit
