// Every seed of the fuzz corpora and every input a fuzzer once broke a rule with,
// run through the same checks as the fuzz targets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "checks.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    fit_fuzz::Check check;
};

// The inputs of one target: its seeds and its regression inputs.
std::vector<fs::path> inputs_of(const std::string& target) {
    std::vector<fs::path> files;
    for (const fs::path& dir : {fs::path(FIT_FUZZ_CORPUS) / target,
                               fs::path(FIT_TEST_DATA) / "fuzz" / target}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

void check_all(const Target& t) {
    const auto files = inputs_of(t.name);
    ASSERT_FALSE(files.empty()) << "no seeds for " << t.name;
    for (const auto& file : files) {
        const fit_test::Bytes input = fit_test::read_bytes(file.string());
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const std::string broken = t.check(input);
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(broken, "") << file;
    }
}

}  // namespace

TEST(FuzzInputs, Codefit) { check_all({"codefit", fit_fuzz::check_codefit}); }
TEST(FuzzInputs, Datafit) { check_all({"datafit", fit_fuzz::check_datafit}); }
TEST(FuzzInputs, Options) { check_all({"options", fit_fuzz::check_options}); }
TEST(FuzzInputs, Pcx) { check_all({"pcx", fit_fuzz::check_pcx}); }
TEST(FuzzInputs, Fitinfo) { check_all({"fitinfo", fit_fuzz::check_fitinfo}); }
TEST(FuzzInputs, Picture) { check_all({"picture", fit_fuzz::check_picture}); }
