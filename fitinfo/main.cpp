#include "options.hpp"
#include "run.hpp"
#include "common/file_io.hpp"

int main(int argc, char** argv) {
    fit::start_process(argc, argv);
    fitinfo::Settings settings;
    if (fitinfo::ManageArguments(argc, argv, settings) != 0) return fitinfo::kUsage;
    return fitinfo::run(settings);
}
