// datafit run as a user runs it: banner, messages, exit status and the file written.
#include <gtest/gtest.h>

#include "parse_back.hpp"
#include "support/e2e.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {
constexpr const char* kBanner = "Datafit 2010.01\n";
}

TEST(DatafitE2E, DiskRecordFileByDefault) {
    TempDir dir;
    const Bytes level = fit_test::pattern(1000);
    dir.write("level.dat", level);
    auto r = run_program("datafit", {"level.dat", "level.dsk"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "level.dsk file written.\n");
    auto f = datafit_test::parse_record_file(fit_test::read_bytes(dir.file("level.dsk")));
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.records[0], level);

    r = run_program("datafit", {"-H:0x80", "level.dat", "-r:100", "level.dsk"}, dir.path());
    EXPECT_EQ(r.status, 0);
    f = datafit_test::parse_record_file(fit_test::read_bytes(dir.file("level.dsk")));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.records.size(), 5u);
    EXPECT_EQ(f.declared_maximum, 256u);
    EXPECT_EQ(datafit_test::concatenate(f.records), level);
}

TEST(DatafitE2E, CassetteDataFile) {
    TempDir dir;
    const Bytes level = fit_test::pattern(1000, 5);
    dir.write("level.dat", level);
    const auto r = run_program("datafit",
                               {"level.dat", "level.k7", "-t:K7", "-H:80", "-r:100", "-n:LVL1"},
                               dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "level.k7 file written.\n");
    const Bytes image = fit_test::read_bytes(dir.file("level.k7"));
    EXPECT_EQ(image.size(), 1000 + 5 * 267u);
    const auto k7 = datafit_test::parse_cassette(image);
    ASSERT_EQ(k7.error, "");
    std::vector<std::size_t> sizes;
    for (const auto& block : k7.blocks) {
        sizes.push_back(block.data.size());
        EXPECT_EQ(block.name, (std::array<std::uint8_t, 4>{'1', 'L', 'V', 'L'}));
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{128, 256, 256, 256, 104}));
    EXPECT_EQ(datafit_test::concatenate(k7.blocks), level);
}

TEST(DatafitE2E, AssemblerListingOfTheLargestSource) {
    TempDir dir;
    dir.write("sprites.bin", {0x18, 0x3C, 0x7E, 0xFF});
    auto r = run_program("datafit", {"sprites.bin", "sprites.asm", "-t:TASM", "-H:-1"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "sprites.asm file written.\n");
    const Bytes text = fit_test::read_bytes(dir.file("sprites.asm"));
    EXPECT_EQ(std::string(text.begin(), text.end()), "\r\n\t.byte $18,$3C,$7E,$FF\r\n");

    dir.write("big.bin", Bytes(640000, 0xAB));
    r = run_program("datafit", {"big.bin", "big.asm", "-t:TASM"}, dir.path());
    EXPECT_EQ(r.status, 0);
    const Bytes big = fit_test::read_bytes(dir.file("big.asm"));
    ASSERT_EQ(big.size(), 2880002u);
    const std::string listing(big.begin(), big.end());
    EXPECT_EQ(listing.substr(listing.size() - 9), "$AB,$AB\r\n");
    std::size_t lines = 0;
    for (auto at = listing.find("\r\n\t.byte "); at != std::string::npos;
         at = listing.find("\r\n\t.byte ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 40000u);
}

TEST(DatafitE2E, EveryLimitExitsWithItsCodeAndLeavesTheTargetAsItWas) {
    TempDir dir;
    dir.write("small.dat", fit_test::pattern(100));
    dir.write("64k.dat", fit_test::pattern(65537));
    dir.write("130k.dat", fit_test::pattern(130557));
    dir.write("huge.dat", fit_test::pattern(640001));
    const Bytes old{1, 2, 3};
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"small.dat", "out", "-H:-1"}, 7, "Incorrect Header size.\n"},
        {{"small.dat", "out", "-t:K7", "-H:65"}, 7, "Incorrect Header size.\n"},
        {{"small.dat", "out", "-r:100000000"}, 8, "Incorrect Record size.\n"},
        {{"small.dat", "out", "-t:K7", "-r:-40"}, 8, "Incorrect Record size.\n"},
        {{"huge.dat", "out", "-t:TASM"}, 9, "Source file too long (640000 bytes at most).\n"},
        {{"64k.dat", "out"}, 10, "Record too long for a disk file (65535 bytes at most).\n"},
        {{"130k.dat", "out", "-r:FFFF"}, 11,
         "Records too long for a disk file (130560 bytes at most).\n"},
        {{"64k.dat", "out", "-t:K7"}, 12, "Block too long for a cassette (65536 bytes at most).\n"},
        {{"64k.dat", "out", "-t:K7", "-r:10"}, 13,
         "Cassette image too long (640000 bytes at most).\n"},
    };
    for (const auto& c : cases) {
        const auto target = dir.write("out", old);
        const auto r = run_program("datafit", c.args, dir.path());
        EXPECT_EQ(r.status, c.status) << c.args.back();
        EXPECT_EQ(r.out, kBanner);
        EXPECT_EQ(r.err, std::string("ERROR: ") + c.message) << c.args.back();
        EXPECT_EQ(fit_test::read_bytes(target), old) << c.args.back();
    }
    EXPECT_FALSE(fit_test::exists(dir.file("new")));
    const auto r = run_program("datafit", {"small.dat", "new", "-H:-1"}, dir.path());
    EXPECT_EQ(r.status, 7);
    EXPECT_FALSE(fit_test::exists(dir.file("new")));
}

TEST(DatafitE2E, RejectedOptionsExitWithOne) {
    TempDir dir;
    dir.write("in", {1});
    auto r = run_program("datafit", {"in", "out", "-i"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "");

    r = run_program("datafit", {"-h", "in", "out"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Usage: datafit sourceFile targetFile"), std::string::npos);

    r = run_program("datafit", {"in", "out", "-n:TOOLONG"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Incorrect K7 Filename.\n");
    EXPECT_FALSE(fit_test::exists(dir.file("out")));
}
