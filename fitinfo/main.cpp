#include "program.hpp"
#include "run.hpp"
#include "common/file_io.hpp"

int main(int argc, char** argv) {
    fit::start_process(argc, argv);
    return fitinfo::close_standard_output(fitinfo::program_main(argc, argv));
}
