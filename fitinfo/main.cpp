#include "options.hpp"
#include "run.hpp"

int main(int argc, char** argv) {
    fitinfo::Settings settings;
    if (fitinfo::ManageArguments(argc, argv, settings) != 0) return fitinfo::kUsage;
    return fitinfo::close_report(fitinfo::run(settings));
}
