#include "program.hpp"

#include <cstdio>
#include <string_view>

#include "options.hpp"
#include "run.hpp"

namespace picfit {

namespace {

// The banner comes before the options are read, so what decides it is looked for by
// hand: no banner with --quiet, and on standard error when the target, the second of
// the names (no short option takes a value), is "-" and standard output carries the file.
bool named(int argc, char** argv, std::string_view word) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] == word) return true;
    return false;
}

bool target_is_stdout(int argc, char** argv) {
    int names = 0;
    bool options = true;  // until "--"
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (options && word == "--") {
            options = false;
            continue;
        }
        if (options && word != "-" && word.starts_with('-')) continue;
        if (++names == 2) return word == "-";
    }
    return false;
}

}  // namespace

int program_main(int argc, char** argv) {
    if (!named(argc, argv, "--quiet")) {
        std::FILE* const banner = target_is_stdout(argc, argv) ? stderr : stdout;
        std::fputs("Picfit 2010.01\n", banner);
        std::fflush(banner);
    }
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
