#include "program.hpp"

#include "options.hpp"
#include "run.hpp"

namespace fitinfo {

int program_main(int argc, char** argv) {
    fitinfo::Settings settings;
    if (const int parsed = fitinfo::ManageArguments(argc, argv, settings); parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? fitinfo::close_report(0) : fitinfo::kUsage;
    return fitinfo::close_report(fitinfo::run(settings));
}

}  // namespace fitinfo
