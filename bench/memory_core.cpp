// The web page's module built for this machine: the same programs behind the same
// interface over the same files in memory. Runs one command line over and over on one
// file and prints the microseconds a run takes (the best mean of five batches): the
// native side of bench/web.mjs.
//   fit_bench_memory RUNS FILE PROGRAM [ARGS...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fit_api.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: fit_bench_memory RUNS FILE PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::string name = argv[2];
    name = name.substr(name.find_last_of('/') + 1);
    double best = 1e9;
    for (int batch = 0; batch < 5; ++batch) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < runs; ++i) {
            // As the page does for each conversion: the file in, the run, the files out.
            fit_clear_files();
            fit_put_file(name.c_str(), bytes.data(), bytes.size());
            if (fit_run(argc - 3, argv + 3) != 0) {
                std::fputs("the run failed\n", stderr);
                return 1;
            }
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / runs);
    }
    std::fprintf(stderr, "%.2f\n", best);
    return 0;
}
