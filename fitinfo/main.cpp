#include "options.hpp"
#include "run.hpp"
#include "common/file_io.hpp"

int main(int argc, char** argv) {
    fit::start_process(argc, argv);
    fitinfo::Settings settings;
    if (const int parsed = fitinfo::ManageArguments(argc, argv, settings); parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? fitinfo::close_report(0) : fitinfo::kUsage;
    return fitinfo::close_report(fitinfo::run(settings));
}
