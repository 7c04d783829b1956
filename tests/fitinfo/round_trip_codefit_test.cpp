// Every target of codefit, on random and edge sources, read back by fitinfo.
#include <gtest/gtest.h>

#include "round_trip.hpp"

using fit_test::Bytes;
using fit_test::convert;
using fit_test::expect_every_change_seen;
using fit_test::expect_source_back;
using fit_test::hex;

TEST(CodefitRoundTrip, ExeFiles) {
    std::mt19937 random(11);
    struct Case { std::size_t size; unsigned load; bool clear; };
    std::vector<Case> cases{{1, 0x1000, false}, {3, 0x0200, true},  {491, 0x0FFF, false},
                            {492, 0x7F00, true}, {257, 0x7F00, false}, {48639, 0x0200, false},
                            {255, 0xBF00, true}};
    for (int i = 0; i < 6; ++i) {
        const std::size_t size = 1 + random() % 3000;
        cases.push_back({size, 0x0200 + static_cast<unsigned>(random() % (0xBFFF - 0x0200 - size)),
                         random() % 2 == 1});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size) + " at " + hex(c.load));
        const Bytes code = fit_test::pattern(c.size, static_cast<std::uint32_t>(c.size + c.load));
        std::vector<std::string> options{"-r:" + hex(c.load), "-b:" + hex(c.load + (c.size > 2 ? 2 : 0))};
        if (c.clear) options.push_back("-c");
        const auto file = convert("codefit", code, options);
        ASSERT_TRUE(file);
        expect_source_back(*file, code, "executable disk file");
        EXPECT_GT(expect_every_change_seen(*file), 0u);
    }
}

TEST(CodefitRoundTrip, TaggedObjectModules) {
    for (const std::size_t size : {1u, 2u, 27u, 28u, 29u, 56u, 57u, 1000u, 45056u}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const Bytes code = fit_test::pattern(size, static_cast<std::uint32_t>(size));
        const auto file = convert("codefit", code, {"-t:DOS"});
        ASSERT_TRUE(file);
        expect_source_back(*file, code, "tagged object module");
        expect_every_change_seen(*file);
    }
}

TEST(CodefitRoundTrip, RomImages) {
    std::mt19937 random(12);
    for (int i = 0; i < 10; ++i) {
        const std::size_t size = i == 0 ? 32251 : 1 + random() % 4000;
        const unsigned load = i == 0 ? 0x0200 : 0x0200 + static_cast<unsigned>(random() % (0x7FFB - 0x0200 - size));
        SCOPED_TRACE("size " + std::to_string(size) + " at " + hex(load));
        Bytes code = fit_test::pattern(size, static_cast<std::uint32_t>(i + 100));
        std::vector<std::string> options{"-t:ROM", "-r:" + hex(load), "-b:" + hex(load)};
        if (i % 2 == 1) options.push_back("-p");
        // Zeros at both ends need the load address and the size.
        code.front() = 0;
        code.back() = 0;
        auto file = convert("codefit", code, options);
        ASSERT_TRUE(file);
        expect_source_back(*file, code, "ROM cartridge image",
                           {static_cast<std::uint16_t>(load), static_cast<std::uint16_t>(size)});
        // Non-zero ends are found alone.
        code.front() = 0x3E;
        code.back() = 0xC9;
        file = convert("codefit", code, options);
        ASSERT_TRUE(file);
        expect_source_back(*file, code, "ROM cartridge image");
        expect_every_change_seen(*file);
    }
}

TEST(CodefitRoundTrip, CassetteImages) {
    struct Case { std::size_t size; unsigned load; int loader; std::string name; };
    const std::vector<Case> cases{
        {1, 0x8000, 0, "A"},       {16383, 0x8000, 2, "GAME"}, {1279, 0xC300, 0, ""},
        {1278, 0xC300, 1, "AB"},   {1274, 0xC300, 2, "WXYZ"},  {300, 0xA000, 1, "x y"},
        {1, 0xC7FE, 0, "LAST"},    {500, 0xBE00, 2, "\x01\x02"}};
    for (const auto& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size) + " at " + hex(c.load) + " loader " +
                     std::to_string(c.loader));
        const Bytes code = fit_test::pattern(c.size, static_cast<std::uint32_t>(c.size));
        std::vector<std::string> options{"-t:K7", "-r:" + hex(c.load)};
        if (c.loader != 0) options.push_back("-l:" + std::to_string(c.loader));
        if (!c.name.empty()) options.push_back("-n:" + c.name);
        const auto file = convert("codefit", code, options);
        ASSERT_TRUE(file);
        expect_source_back(*file, code,
                           c.loader == 0 ? "code cassette image"
                                         : "code cassette image with BASIC loader " + std::to_string(c.loader));
        // Every byte but a lone block's name is under a checksum, a stored loader or
        // the one name of all blocks.
        const std::size_t refused = expect_every_change_seen(*file);
        if (c.loader != 0) {
            std::mt19937 random(1);
            EXPECT_EQ(refused, fit_test::positions(file->size(), random).size());
        }
    }
}

TEST(CodefitRoundTrip, BasicPrograms) {
    std::mt19937 random(13);
    std::vector<std::pair<std::size_t, unsigned>> cases{{1, 0xC380}, {16, 0xC380}, {17, 0xC380},
                                                        {1151, 0xC380}, {1, 0xC7FE}};
    for (int i = 0; i < 5; ++i) {
        const std::size_t size = 1 + random() % 1000;
        cases.emplace_back(size, 0xC380 + static_cast<unsigned>(random() % (0xC7FF - 0xC380 - size)));
    }
    for (const auto& [size, load] : cases) {
        SCOPED_TRACE("size " + std::to_string(size) + " at " + hex(load));
        Bytes code = fit_test::pattern(size, static_cast<std::uint32_t>(size + load));
        code[0] = 0;
        const auto file = convert("codefit", code, {"-t:BAS", "-r:" + hex(load)});
        ASSERT_TRUE(file);
        expect_source_back(*file, code, "BASIC DATA loader program");
        expect_every_change_seen(*file);
    }
}

TEST(CodefitRoundTrip, ExtractionThroughTheProgramGivesEverySourceByte) {
    const fit_test::TempDir dir;
    const Bytes code = fit_test::pattern(777, 5);
    dir.write("prog.bin", code);
    for (const auto& target : std::vector<std::vector<std::string>>{
             {"prog.exe"}, {"prog.obj", "-t:DOS"}, {"prog.k7", "-t:K7", "-l:2"},
             {"prog.bas", "-t:BAS"}}) {
        std::vector<std::string> args{"prog.bin"};
        args.insert(args.end(), target.begin(), target.end());
        ASSERT_EQ(fit_test::run_program("codefit", args, dir.path().string()).status, 0);
        const auto r = fit_test::run_program("fitinfo", {"-x", "back.bin", target[0]}, dir.path().string());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fit_test::read_bytes(dir.file("back.bin")), code) << target[0];
    }
}
