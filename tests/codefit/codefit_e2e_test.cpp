// codefit run as a user runs it: banner, messages, exit status and the file written.
#include <gtest/gtest.h>

#include "codefit/converters.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {
constexpr const char* kBanner = "Codefit 2010.01\n";
}

TEST(CodefitE2E, WritesARomImage) {
    TempDir dir;
    const Bytes code = fit_test::pattern(100);
    dir.write("prog.bin", code);
    const auto r = run_program("codefit", {"prog.bin", "prog.rom", "-t:ROM", "-p"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "prog.rom file written.\n");
    const Bytes rom = fit_test::read_bytes(dir.file("prog.rom"));
    ASSERT_EQ(rom.size(), 32256u);
    EXPECT_TRUE(std::equal(code.begin(), code.end(), rom.begin() + 3584));
    EXPECT_EQ(Bytes(rom.end() - 4, rom.end()), (Bytes{0x55, 0x8C, 0x10, 0x00}));
}

TEST(CodefitE2E, OptionRejectionExitsWithOneAndTouchesNothing) {
    TempDir dir;
    dir.write("prog.bin", {1});
    auto r = run_program("codefit", {"-h"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.substr(0, 16), kBanner);
    EXPECT_NE(r.out.find("Usage: codefit sourceFile targetFile"), std::string::npos);

    r = run_program("codefit", {"prog.bin", "prog.bin"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Same filename for source and target files.\n");

    r = run_program("codefit", {"prog.bin", "out", "-q"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unknown option `-q'.\n"), std::string::npos);
    EXPECT_FALSE(fit_test::exists(dir.file("out")));
}

TEST(CodefitE2E, FailuresAfterTheOptionsExitWithTheirCode) {
    TempDir dir;
    dir.write("prog.bin", fit_test::pattern(10));
    dir.write("empty.bin", {});
    const auto old = dir.write("old.rom", {1, 2, 3});

    auto r = run_program("codefit", {"missing.bin", "x.rom", "-t:ROM"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ERROR: Cannot open source file.\n");

    r = run_program("codefit", {"empty.bin", "x.rom", "-t:ROM"}, dir.path());
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "ERROR: When loading source file.\n");
    EXPECT_FALSE(fit_test::exists(dir.file("x.rom")));

    r = run_program("codefit", {"prog.bin", "old.rom", "-t:ROM", "-r:7FFB"}, dir.path());
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.err, "ERROR: Binary source file too long.\n");
    EXPECT_EQ(fit_test::read_bytes(old), (Bytes{1, 2, 3}));

    r = run_program("codefit", {"prog.bin", "/dev/full", "-t:ROM"}, dir.path());
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err, "ERROR: When saving target file.\n");

    r = run_program("codefit", {"prog.bin", "nodir/x.rom", "-t:ROM"}, dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "ERROR: Cannot save target file.\n");
}

TEST(CodefitE2E, SourceLongerThan65535BytesIsCut) {
    TempDir dir;
    const Bytes big = fit_test::pattern(70000);
    const auto path = dir.write("big.bin", big);
    fit::Work work;
    fit::Reporter report(fit::codefit_errors);
    ASSERT_TRUE(fit::init(work, codefit::kCapacities, report));
    EXPECT_EQ(fit::load(work, path, {}, report), 65535);
    EXPECT_TRUE(std::equal(big.begin(), big.begin() + 65535, work.in_buffer.begin()));
    EXPECT_FALSE(report.failed()) << "the cut is silent";

    // At 0x0200 the cut source is still far too long for a cartridge.
    const auto r = run_program("codefit", {"big.bin", "x.rom", "-t:ROM", "-r:200"}, dir.path());
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.err, "ERROR: Binary source file too long.\n");
}
