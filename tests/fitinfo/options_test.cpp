#include "fitinfo/options.hpp"

#include <gtest/gtest.h>

#include "support/args.hpp"

namespace {

struct ParseResult {
    int result;
    fitinfo::Settings settings;
};

ParseResult parse(std::initializer_list<std::string> words) {
    fit_test::Args args(words);
    ParseResult p{};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    p.result = fitinfo::ManageArguments(args.argc(), args.argv(), p.settings);
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    return p;
}

}  // namespace

TEST(FitinfoLongOptions, TwinsAndComingSettings) {
    auto s = parse({"fitinfo", "-x", "out.bin", "-r:1000", "-s:0x200", "a.rom"});
    auto l = parse({"fitinfo", "--extract=out.bin", "--rom-load", "1000", "--rom-size=$200", "a.rom"});
    ASSERT_EQ(s.result, 0);
    ASSERT_EQ(l.result, 0);
    EXPECT_EQ(l.settings.extract_to, s.settings.extract_to);
    EXPECT_EQ(l.settings.rom_load, std::optional<std::uint16_t>(0x1000));
    EXPECT_EQ(l.settings.rom_load, s.settings.rom_load);
    EXPECT_EQ(l.settings.rom_size, s.settings.rom_size);
    EXPECT_EQ(l.settings.files, s.settings.files);
    EXPECT_FALSE(l.settings.extract_to_stdout);

    l = parse({"fitinfo", "--json", "--quiet", "--verbose", "-x", "-", "game.k7"});
    ASSERT_EQ(l.result, 0);
    EXPECT_TRUE(l.settings.json);
    EXPECT_TRUE(l.settings.quiet);
    EXPECT_TRUE(l.settings.verbose);
    EXPECT_TRUE(l.settings.extract_to_stdout);

    l = parse({"fitinfo", "-x", "./-", "game.k7"});
    ASSERT_EQ(l.result, 0);
    EXPECT_FALSE(l.settings.extract_to_stdout);
    EXPECT_FALSE(l.settings.json);

    EXPECT_EQ(parse({"fitinfo", "--help"}).result, fit::kAnswered);
    EXPECT_EQ(parse({"fitinfo", "--version", "--nonsense"}).result, fit::kAnswered);
}
