// fitinfo run as a user runs it: the summary, the one-line faults, the exit statuses
// and the files -x writes.
#include <gtest/gtest.h>

#include "hand_built.hpp"
#include "support/e2e.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {

Bytes record_file(const Bytes& data) { return fit_test::container({data}, data.size()); }

}  // namespace

TEST(FitinfoE2E, SummarisesEachFileOnStandardOutput) {
    TempDir dir;
    dir.write("a.dsk", record_file(fit_test::pattern(300)));
    dir.write("b.k7", fit_test::unit("ABCD", 0xC300, {1, 2, 3}));
    const auto r = run_program("fitinfo", {"a.dsk", "b.k7"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "a.dsk: data record file (disk file)\n"
              "  disk file: 1 record, longest 300 bytes declared, 1 allocation unit, 1024 bytes\n"
              "  records: 300 bytes\n"
              "  data: 300 bytes\n"
              "b.k7: code cassette image\n"
              "  blocks: 1, name \"ABCD\"\n"
              "  block 1 at offset 0: name \"ABCD\", start 0xC300, end 0xC302, 3 bytes, checksum 0x06 twice\n"
              "  load and entry address: 0xC300\n"
              "  code: 3 bytes\n");
}

TEST(FitinfoE2E, EachFaultIsOneLineAndTheFirstFailureSetsTheStatus) {
    TempDir dir;
    Bytes bad = record_file(fit_test::pattern(300));
    bad[15] = 2;
    dir.write("bad.dsk", bad);
    dir.write("good.dsk", record_file({1}));
    dir.write("junk", fit_test::text("no file of the machine"));
    auto r = run_program("fitinfo", {"good.dsk", "bad.dsk", "junk", "missing"}, dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err,
              "bad.dsk: disk file: offset 15 (0x000F): NbAu (file of 1024 bytes): expected 0x01, "
              "found 0x02\n"
              "junk: not recognised: neither a disk file, a cassette image, a ROM image, a TAV "
              "picture, a BASIC DATA program nor an assembler listing.\n"
              "missing: cannot open the file.\n");
    EXPECT_EQ(r.out.substr(0, 9), "good.dsk:");

    EXPECT_EQ(run_program("fitinfo", {"junk", "bad.dsk"}, dir.path()).status, 4);
    EXPECT_EQ(run_program("fitinfo", {"missing", "junk"}, dir.path()).status, 2);
    EXPECT_EQ(run_program("fitinfo", {"."}, dir.path()).status, 2);
}

TEST(FitinfoE2E, ExtractsThePayloadSafely) {
    TempDir dir;
    const Bytes data = fit_test::pattern(700);
    dir.write("a.dsk", record_file(data));
    auto r = run_program("fitinfo", {"-x", "a.bin", "a.dsk"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "a.bin file written.\n");
    EXPECT_EQ(fit_test::read_bytes(dir.file("a.bin")), data);

    // A broken file extracts nothing and leaves what was there.
    Bytes bad = record_file(data);
    bad[0] = 0xFC;
    dir.write("bad.dsk", bad);
    r = run_program("fitinfo", {"bad.dsk", "-x", "a.bin"}, dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(fit_test::read_bytes(dir.file("a.bin")), data);

    r = run_program("fitinfo", {"-x", "nodir/a.bin", "a.dsk"}, dir.path());
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err, "nodir/a.bin: cannot create the file.\n");
    r = run_program("fitinfo", {"-x", "/dev/full", "a.dsk"}, dir.path());
    EXPECT_EQ(r.status, 5);

    // A ROM image with no code in it has nothing to give.
    Bytes rom(32256, 0);
    rom[32252] = 0xAA, rom[32253] = 0x8C, rom[32254] = 0x10;
    dir.write("empty.rom", rom);
    r = run_program("fitinfo", {"-x", "e.bin", "empty.rom"}, dir.path());
    EXPECT_EQ(r.status, 5);
    EXPECT_FALSE(fit_test::exists(dir.file("e.bin")));
}

TEST(FitinfoE2E, TheRomOptionsPlaceTheCode) {
    TempDir dir;
    Bytes rom(32256, 0);
    rom[0x0E00] = 0x00, rom[0x0E01] = 0x21, rom[0x0E02] = 0x00;  // 0x1000..0x1002
    rom[32252] = 0x55, rom[32253] = 0x8C, rom[32254] = 0x10, rom[32255] = 0x00;
    dir.write("p.rom", rom);
    const auto r = run_program("fitinfo", {"-x", "p.bin", "-r:1000", "-s:0x3", "p.rom"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fit_test::read_bytes(dir.file("p.bin")), (Bytes{0x00, 0x21, 0x00}));
    EXPECT_NE(r.out.find("  load address (given): 0x1000\n"), std::string::npos);
}

TEST(FitinfoE2E, RejectedOptionsExitWithOne) {
    TempDir dir;
    dir.write("a.dsk", record_file({1}));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "At least one file required.\n"},
        {{"-x", "out", "a.dsk", "a.dsk"}, "One file required with -x.\n"},
        {{"-x", "a.dsk", "a.dsk"}, "Same filename for source and target files.\n"},
        {{"-x", "./a.dsk", "a.dsk"}, "Same filename for source and target files.\n"},
        {{"-r:1FF", "a.dsk"}, "Incorrect ROM load address (0x0200 to 0x7FFA).\n"},
        {{"-r:12G4", "a.dsk"}, "Incorrect ROM load address (0x0200 to 0x7FFA).\n"},
        {{"-s:0", "a.dsk"}, "Incorrect ROM code size (0x1 to 0x7DFB).\n"},
        {{"-q", "a.dsk"}, "Unknown option `-q'.\n"},
        {{"a.dsk", "-x"}, "Option -x requires an argument.\n"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = run_program("fitinfo", args, dir.path());
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const auto r = run_program("fitinfo", {"-h", "a.dsk"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.substr(0, 15), "Usage: fitinfo ");
    EXPECT_EQ(fit_test::read_bytes(dir.file("a.dsk")), record_file({1}));
}
