// codefit's cassette and BASIC targets run as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "media/code_cassette.hpp"
#include "support/cassette_parse.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {

constexpr const char* kBanner = "Codefit 2010.01\n";

Bytes data_of(std::span<const std::uint8_t> block) {
    return Bytes(block.begin() + 9, block.end() - 2);
}

}  // namespace

TEST(CassetteE2E, CodeBehindLoaderTwo) {
    TempDir dir;
    const Bytes code = fit_test::pattern(1200, 5);
    dir.write("game.bin", code);
    const auto r =
        run_program("codefit", {"game.bin", "game.k7", "-t:K7", "-n:GAME", "-l:2"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "game.k7 file written.\n");
    const Bytes image = fit_test::read_bytes(dir.file("game.k7"));
    EXPECT_EQ(image.size(), code.size() + 1365);
    const auto parsed = fit_test::parse_cassette(image);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    ASSERT_EQ(parsed.blocks.size(), 3u);
    for (const auto& b : parsed.blocks) EXPECT_EQ(b.name, (media::K7Name{'G', 'A', 'M', 'E'}));
    EXPECT_EQ(parsed.blocks[0].data, data_of(media::loader2));
    EXPECT_EQ(parsed.blocks[1].data, data_of(media::loader2b));
    EXPECT_EQ(parsed.blocks[2].start, 0xC300);
    EXPECT_EQ(parsed.blocks[2].offset, 1354u);
    EXPECT_EQ(parsed.blocks[2].data, code);
}

TEST(CassetteE2E, LowWindowBehindLoaderOne) {
    TempDir dir;
    const Bytes code = fit_test::pattern(16383, 6);
    dir.write("big.bin", code);
    // -r:8000 alone would choose EXE; -t:K7 keeps the cassette.
    const auto r = run_program(
        "codefit", {"-l:1", "big.bin", "-r:8000", "big.k7", "-t:K7", "-n:AB"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "big.k7 file written.\n");
    const auto parsed = fit_test::parse_cassette(fit_test::read_bytes(dir.file("big.k7")));
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    ASSERT_EQ(parsed.blocks.size(), 3u);
    for (const auto& b : parsed.blocks) EXPECT_EQ(b.name, (media::K7Name{'A', 'B', ' ', ' '}));
    EXPECT_EQ(parsed.blocks[0].data, data_of(media::loader1));
    EXPECT_EQ(parsed.blocks[1].data, data_of(media::loader1b));
    EXPECT_EQ(parsed.blocks[2].offset, 902u);
    EXPECT_EQ(parsed.blocks[2].start, 0x8000);
    EXPECT_EQ(parsed.blocks[2].end, 0xBFFE);
    EXPECT_EQ(parsed.blocks[2].data, code);

    // One byte more and the code would reach 0xC000.
    dir.write("big.bin", fit_test::pattern(16384, 6));
    const auto old = dir.write("old.k7", {1, 2, 3});
    const auto too_long =
        run_program("codefit", {"big.bin", "old.k7", "-t:K7", "-r:8000", "-l:1"}, dir.path());
    EXPECT_EQ(too_long.status, 9);
    EXPECT_EQ(too_long.err, "ERROR: Binary source file too long.\n");
    EXPECT_EQ(fit_test::read_bytes(old), (Bytes{1, 2, 3}));
}

TEST(CassetteE2E, NameWithoutLoaderAndTheTypeFromAHighAddress) {
    TempDir dir;
    dir.write("prog.bin", {0x01, 0x02, 0x03});
    const auto r = run_program("codefit", {"prog.bin", "prog.k7", "-r:C400", "-n:ABCD"},
                               dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "prog.k7 file written.\n");
    const Bytes image = fit_test::read_bytes(dir.file("prog.k7"));
    ASSERT_EQ(image.size(), 270u);
    EXPECT_EQ(std::count(image.begin(), image.begin() + 255, 0x55), 255);
    EXPECT_EQ(Bytes(image.begin() + 255, image.end()),
              (Bytes{0x70, 0x44, 0x43, 0x42, 0x41, 0x7A, 0x02, 0xC4, 0x00, 0xC4, 0x01, 0x02, 0x03,
                     0x06, 0x06}));

    const auto entry =
        run_program("codefit", {"prog.bin", "bad.k7", "-t:K7", "-r:C300", "-b:C400"}, dir.path());
    EXPECT_EQ(entry.status, 8);
    EXPECT_EQ(entry.err, "ERROR: Branch address out of range.\n");
    EXPECT_FALSE(fit_test::exists(dir.file("bad.k7")));
}

TEST(CassetteE2E, BasicLoaderProgram) {
    TempDir dir;
    dir.write("game.bin", {0x01, 0xFF, 0x10});
    const auto r = run_program("codefit", {"game.bin", "game.bas", "-t:BAS"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "game.bas file written.\n");
    const std::string text =
        "100 DATA 50048,3\r\n110 DATA 1,255,16\r\n"
        "120 READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n";
    EXPECT_EQ(fit_test::read_bytes(dir.file("game.bas")), Bytes(text.begin(), text.end()));

    const auto entry =
        run_program("codefit", {"game.bin", "bad.bas", "-t:BAS", "-b:C400"}, dir.path());
    EXPECT_EQ(entry.status, 8);
    EXPECT_EQ(entry.err, "ERROR: Branch address out of range.\n");
    EXPECT_FALSE(fit_test::exists(dir.file("bad.bas")));

    dir.write("long.bin", Bytes(1152, 0));
    const auto too_long = run_program("codefit", {"long.bin", "long.bas", "-t:BAS"}, dir.path());
    EXPECT_EQ(too_long.status, 9);
    EXPECT_EQ(too_long.err, "ERROR: Binary source file too long.\n");
    EXPECT_FALSE(fit_test::exists(dir.file("long.bas")));
}
