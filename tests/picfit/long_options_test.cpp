#include <gtest/gtest.h>

#include "picfit/options.hpp"
#include "support/args.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

namespace {

using Words = std::vector<std::string>;
using ParseResult = fit_test::ParseResult<picfit::State>;
const auto parse = fit_test::option_reader<picfit::State>(picfit::ManageArguments, fit::picfit_errors,
                                                         {"picfit", "in.pcx", "out.tav"});

}  // namespace

TEST(PicfitLongOptions, TwoColourIsB) {
    EXPECT_EQ(parse({"--two-colour"}).state, parse({"-b"}).state);
    EXPECT_EQ(parse({"--two-colour"}).state.mode, picfit::kTwoColour);

    const fit_test::TempDir dir;
    const std::string logo = std::string(FIT_TEST_DATA) + "/logo-640x200-pillow.pcx";
    const auto a = fit_test::run_program("picfit", {logo, "a.tav", "-b"}, dir.path());
    const auto b = fit_test::run_program("picfit", {"--two-colour", logo, "b.tav"}, dir.path());
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(fit_test::read_bytes(dir.file("a.tav")), fit_test::read_bytes(dir.file("b.tav")));
}

TEST(PicfitLongOptions, TheComingSettings) {
    struct Case {
        Words options;
        picfit::State expected;
    };
    auto with = [](auto change) {
        picfit::State s;
        s.source = "in.pcx";
        s.target = "out.tav";
        change(s);
        return s;
    };
    const Case cases[] = {
        {{"--quiet"}, with([](auto& s) { s.quiet = true; })},
        {{"--verbose"}, with([](auto& s) { s.verbose = true; })},
        {{"--no-dump"}, with([](auto& s) { s.dump = picfit::kNoDump; })},
        {{"--dump=x.raw"}, with([](auto& s) { s.dump = picfit::kDumpToFile; s.dump_to = "x.raw"; })},
        {{"--dump=x.raw", "--no-dump"}, with([](auto& s) { s.dump = picfit::kNoDump; })},
        {{"--no-dump", "--dump", "-"}, with([](auto& s) { s.dump = picfit::kDumpToFile; s.dump_to = "-"; })},
        {{"--map=index"}, with([](auto& s) { s.map = picfit::kMapIndex; })},
        {{"--map=colour"}, with([](auto& s) { s.map = picfit::kMapColour; })},
        {{"--dither=none"}, with([](auto& s) { s.dither = picfit::kDitherNone; })},
        {{"--dither=floyd-steinberg"}, with([](auto& s) { s.dither = picfit::kDitherFloydSteinberg; })},
        {{"--dither=atkinson"}, with([](auto& s) { s.dither = picfit::kDitherAtkinson; })},
        {{"--dither=bayer4"}, with([](auto& s) { s.dither = picfit::kDitherBayer4; })},
        {{"--dither", "bayer8"}, with([](auto& s) { s.dither = picfit::kDitherBayer8; })},
        {{"--background=black"}, with([](auto& s) { s.background = picfit::Background{0, 0}; })},
        {{"--background=yellow"}, with([](auto& s) { s.background = picfit::Background{3, 0}; })},
        {{"--background=white"}, with([](auto& s) { s.background = picfit::Background{7, 0}; })},
        {{"--background=#00aAFf"}, with([](auto& s) { s.background = picfit::Background{-1, 0x00AAFF}; })},
        {{"--fit"}, with([](auto& s) { s.fit_picture = true; })},
        {{"--preview=p.png"}, with([](auto& s) { s.preview = "p.png"; })},
    };
    for (const auto& c : cases) {
        const ParseResult p = parse(c.options);
        ASSERT_EQ(p.result, 0) << c.options[0] << p.err;
        EXPECT_EQ(p.state, c.expected) << c.options[0];
    }
    // Every option is in the help.
    const ParseResult help = parse({"--help"});
    EXPECT_EQ(help.result, fit::kAnswered);
    for (const char* option : {"-b ", "--two-colour", "-h ", "--help", "--version", "--dump=",
                               "--no-dump", "--map=", "--dither=", "--background=", "--fit",
                               "--preview=", "--quiet", "--verbose"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}
