// Every target of datafit, on random and edge sources and cuts, read back by fitinfo.
#include <gtest/gtest.h>

#include "media/object_module.hpp"
#include "round_trip.hpp"

using fit_test::Bytes;
using fit_test::convert;
using fit_test::expect_every_change_seen;
using fit_test::expect_source_back;
using fit_test::hex;

namespace {

struct Cut {
    std::size_t size;
    std::size_t header;  // 0: none
    std::size_t record;  // 0: none
};

std::vector<Cut> cuts() {
    std::vector<Cut> cuts{{1, 0, 0},     {300, 0, 0},   {1000, 10, 100}, {300, 128, 64},
                          {100, 20, 0},  {100, 100, 0}, {100, 100, 16},  {640, 0, 64},
                          {50, 0, 200},  {50, 10, 200}, {65535, 0, 0},   {1000, 0, 1}};
    std::mt19937 random(21);
    for (int i = 0; i < 6; ++i) {
        const std::size_t size = 1 + random() % 4000;
        cuts.push_back({size, random() % 2 ? random() % (size + 1) : 0,
                        random() % 2 ? 1 + random() % 600 : 0});
    }
    return cuts;
}

std::vector<std::string> cut_options(const Cut& c) {
    std::vector<std::string> options;
    if (c.header) options.push_back("-H:" + hex(static_cast<unsigned>(c.header)));
    if (c.record) options.push_back("-r:" + hex(static_cast<unsigned>(c.record)));
    return options;
}

std::string trace(const Cut& c) {
    return std::to_string(c.size) + " bytes, header " + std::to_string(c.header) + ", records " +
           std::to_string(c.record);
}

}  // namespace

TEST(DatafitRoundTrip, RecordFiles) {
    for (const auto& c : cuts()) {
        SCOPED_TRACE(trace(c));
        const Bytes data = fit_test::pattern(c.size, static_cast<std::uint32_t>(c.size + c.record));
        const auto file = convert("datafit", data, cut_options(c));
        ASSERT_TRUE(file);
        expect_source_back(*file, data, "data record file");
        expect_every_change_seen(*file);
    }
}

TEST(DatafitRoundTrip, RecordFilesWhoseHeaderOpensLikeAnotherKind) {
    // A header piece as long as an EXE header or a module record, holding its signature.
    Bytes exe_like = fit_test::text("AAAAAAAAAAAXALROVsome data here");
    Bytes module_like(media::firstline.begin(), media::firstline.end());
    const Bytes more = fit_test::pattern(300, 3);
    module_like.insert(module_like.end(), more.begin(), more.end());
    for (const auto& [data, header] : {std::pair{exe_like, "-H:11"}, std::pair{module_like, "-H:47"}}) {
        SCOPED_TRACE(header);
        const auto file = convert("datafit", data, {header});
        ASSERT_TRUE(file);
        expect_source_back(*file, data, "data record file");
    }
}

TEST(DatafitRoundTrip, CassetteDataFiles) {
    for (const auto& c : cuts()) {
        SCOPED_TRACE(trace(c));
        const Bytes data = fit_test::pattern(c.size, static_cast<std::uint32_t>(c.size + c.header));
        auto options = cut_options(c);
        options.insert(options.end(), {"-t:K7", "-n:D" + std::to_string(c.size % 100)});
        const auto file = convert("datafit", data, options);
        ASSERT_TRUE(file);
        expect_source_back(*file, data, "data cassette image");
        expect_every_change_seen(*file);
    }
}

TEST(DatafitRoundTrip, AssemblerListings) {
    std::mt19937 random(22);
    std::vector<std::size_t> sizes{1, 15, 16, 17, 32, 33, 150000};
    for (int i = 0; i < 5; ++i) sizes.push_back(1 + random() % 5000);
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(std::to_string(size) + " bytes");
        const Bytes data = fit_test::pattern(size, static_cast<std::uint32_t>(size));
        const auto file = convert("datafit", data, {"-t:TASM"});
        ASSERT_TRUE(file);
        expect_source_back(*file, data, "assembler listing");
        if (size < 10000) expect_every_change_seen(*file);
    }
}

TEST(DatafitRoundTrip, ExtractionThroughTheProgramGivesEverySourceByte) {
    const fit_test::TempDir dir;
    const Bytes data = fit_test::pattern(2345, 6);
    dir.write("level.dat", data);
    for (const auto& target : std::vector<std::vector<std::string>>{
             {"level.dsk", "-H:80", "-r:100"}, {"level.k7", "-t:K7", "-r:100"},
             {"level.asm", "-t:TASM"}}) {
        std::vector<std::string> args{"level.dat"};
        args.insert(args.end(), target.begin(), target.end());
        ASSERT_EQ(fit_test::run_program("datafit", args, dir.path().string()).status, 0);
        const auto r = fit_test::run_program("fitinfo", {"-x", "back.dat", target[0]}, dir.path().string());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fit_test::read_bytes(dir.file("back.dat")), data) << target[0];
    }
}
