#include "program.hpp"

#include "common/frame.hpp"
#include "converters.hpp"

namespace codefit {

int program_main(int argc, char** argv) {
    return fit::converter_main<State>(
        command_line(), fit::codefit_errors, argc, argv, ManageArguments,
        [](const State& state, fit::Reporter& report) {
            const fit::Run run{kCapacities, {}, state.source, state.target, state.quiet};
            return fit::run_conversion(
                run, [&](fit::Work& work, fit::Reporter& r) { return convert(state, work, r); },
                report);
        });
}

}  // namespace codefit
