#include "program.hpp"

#include <cstdio>

#include "converters.hpp"
#include "common/options.hpp"

namespace datafit {

int program_main(int argc, char** argv) {
    fit::print_banner("Datafit 2010.01\n", datafit::outline(argc, argv));
    fit::Reporter report(fit::datafit_errors);
    datafit::State state;
    if (const int parsed = datafit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? fit::answered_status() : 1;
    report.set_verbose(state.verbose);
    const fit::Run run{datafit::capacities(state.type_number), {datafit::kSourceTooLong},
                       state.source, state.target, state.quiet};
    return fit::run_conversion(
        run, [&](fit::Work& work, fit::Reporter& r) { return datafit::convert(state, work, r); },
        report);
}

}  // namespace datafit
