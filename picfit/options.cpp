#include "options.hpp"

#include <cstdio>

#include "common/options.hpp"

namespace picfit {

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    fit::OptionScanner scan(argc, argv, "hb");
    for (int c = scan.next(); c != -1; c = scan.next()) {
        switch (c) {
        case 'h':
            std::fputs("Usage: picfit sourceFile targetFile [-b]\n", stdout);
            return 1;
        case 'b':
            state.color = kTwoColour;
            break;
        default:
            fit::report_bad_option(scan.bad_option(), "");
            return 1;
        }
    }
    return fit::take_source_and_target(scan.names(), state.source, state.target, report, kSameName)
               ? 0
               : 1;
}

}  // namespace picfit
