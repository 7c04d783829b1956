#include "program.hpp"
#include "common/file_io.hpp"

int main(int argc, char** argv) {
    fit::start_process(argc, argv);
    return fitinfo::program_main(argc, argv);
}
