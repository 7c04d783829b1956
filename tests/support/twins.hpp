// Runs a program on the same source once with short options and once with their long
// twins, and compares what the two runs wrote.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

namespace fit_test {

inline void expect_same_target(const std::string& program, const TempDir& dir,
                               const std::string& source, std::vector<std::string> short_form,
                               std::vector<std::string> long_form) {
    short_form.insert(short_form.begin(), {source, "short.out"});
    long_form.insert(long_form.begin(), {source, "long.out"});
    const auto a = run_program(program, short_form, dir.path());
    const auto b = run_program(program, long_form, dir.path());
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    const auto bytes = read_bytes(dir.file("short.out"));
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(read_bytes(dir.file("long.out")), bytes) << long_form[2];
}

}  // namespace fit_test
