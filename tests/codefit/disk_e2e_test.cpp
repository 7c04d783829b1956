// codefit's disk targets run as a user runs them.
#include <gtest/gtest.h>

#include "support/disk_parse.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

TEST(DiskE2E, DefaultTargetIsAnExecutableDiskFile) {
    TempDir dir;
    const Bytes code = fit_test::pattern(700);
    dir.write("prog.bin", code);
    auto r = run_program("codefit", {"prog.bin", "prog.exe"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Codefit 2010.01\n");
    EXPECT_EQ(r.err, "prog.exe file written.\n");
    const Bytes file = fit_test::read_bytes(dir.file("prog.exe"));
    EXPECT_EQ(file.size(), 1536u);
    fit_test::ExeFile exe;
    ASSERT_EQ(fit_test::decode_exe(file, exe), "");
    EXPECT_EQ(exe.code, code);
    EXPECT_EQ(exe.load, 0x1000);
    EXPECT_EQ(exe.entry, 0x1000);
    EXPECT_EQ(exe.flag, 0x01);

    r = run_program("codefit", {"-c", "prog.bin", "-b:7F00", "prog.exe", "-r:7E00"}, dir.path());
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(fit_test::decode_exe(fit_test::read_bytes(dir.file("prog.exe")), exe), "");
    EXPECT_EQ(exe.load, 0x7E00);
    EXPECT_EQ(exe.entry, 0x7F00);
    EXPECT_EQ(exe.flag, 0x07);
}

TEST(DiskE2E, DosTargetIsATaggedObjectModule) {
    TempDir dir;
    const Bytes code = fit_test::pattern(1001);
    dir.write("prog.bin", code);
    const auto r = run_program("codefit", {"prog.bin", "prog.obj", "-t:DOS"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "prog.obj file written.\n");
    const Bytes file = fit_test::read_bytes(dir.file("prog.obj"));
    EXPECT_EQ(file.size(), 512u * 7);  // 38 records of 73 bytes fill 6 units
    EXPECT_EQ(fit_test::dos_gives_back(file, code), "");
}

TEST(DiskE2E, RangeErrorsLeaveTheTargetAlone) {
    TempDir dir;
    dir.write("prog.bin", fit_test::pattern(10));
    dir.write("big.bin", Bytes(45057, 1));
    const auto old = dir.write("old", {1, 2, 3});
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"prog.bin", "old", "-t:EXE", "-b:C000"}, 8, "ERROR: Branch address out of range.\n"},
        {{"prog.bin", "old", "-t:EXE", "-r:1FF"}, 7, "ERROR: Allocation memory out of range.\n"},
        {{"prog.bin", "old", "-t:EXE", "-r:BFFA"}, 9, "ERROR: Binary source file too long.\n"},
        {{"prog.bin", "old", "-t:DOS", "-r:2000"}, 7, "ERROR: Allocation memory out of range.\n"},
        {{"prog.bin", "old", "-t:DOS", "-r:1000", "-b:1002"}, 8,
         "ERROR: Branch address out of range.\n"},
        {{"big.bin", "old", "-t:DOS"}, 9, "ERROR: Binary source file too long.\n"},
    };
    for (const auto& c : cases) {
        const auto r = run_program("codefit", c.args, dir.path());
        EXPECT_EQ(r.status, c.status) << c.args[2];
        EXPECT_EQ(r.err, c.err) << c.args[2];
        EXPECT_EQ(fit_test::read_bytes(old), (Bytes{1, 2, 3}));
    }
}
