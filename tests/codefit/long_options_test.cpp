#include <gtest/gtest.h>

#include "codefit/options.hpp"
#include "support/args.hpp"
#include "support/temp_dir.hpp"
#include "support/twins.hpp"

namespace {

using Words = std::vector<std::string>;
using ParseResult = fit_test::ParseResult<codefit::State>;
const auto parse = fit_test::option_reader<codefit::State>(codefit::ManageArguments, fit::codefit_errors,
                                                         {"codefit", "in.bin", "out.bin"});
const auto parse_line = fit_test::option_reader<codefit::State>(codefit::ManageArguments, fit::codefit_errors);

// Each short form and its long twin: the same settings, order and precedence included.
const std::pair<Words, Words> kTwins[] = {
    {{"-t:K7"}, {"--type=k7"}},
    {{"-t:K7"}, {"--type", "K7"}},
    {{"-t:BAS"}, {"--type=Bas"}},
    {{"-t:ROM", "-t:DOS"}, {"--type=rom", "--type=dos"}},
    {{"-t:EXE", "-b:C000"}, {"--type=exe", "--entry=C000"}},
    {{"-r:C400"}, {"--load=C400"}},
    {{"-r:C400"}, {"--load", "0xc400"}},
    {{"-r:BFFE"}, {"--load=$BFFE"}},
    {{"-r:2000", "-t:K7"}, {"--load=2000", "--type=k7"}},
    {{"-t:K7", "-r:2000"}, {"--type=k7", "--load=2000"}},
    {{"-r:0", "-t:K7"}, {"--load=0", "--type=k7"}},
    {{"-b:2000"}, {"--entry=2000"}},
    {{"-b:C300"}, {"--entry=C300"}},
    {{"-r:1000", "-b:1000"}, {"--load=1000", "--entry=1000"}},
    {{"-n:AB"}, {"--name=AB"}},
    {{"-n:abcd", "-n:XY"}, {"--name=abcd", "--name=XY"}},
    {{"-l:1"}, {"--loader=1"}},
    {{"-l:2"}, {"--loader", "2"}},
    {{"-p"}, {"--paged"}},
    {{"-c"}, {"--clear-screen"}},
    {{"-t:ROM", "-p", "-c"}, {"--type=ROM", "--clear-screen", "--paged"}},
    {{"-t:K7", "-l:2", "-n:GAME"}, {"-t:K7", "--loader=2", "--name=GAME"}},
};

}  // namespace

TEST(CodefitLongOptions, TwinsGiveTheSameSettings) {
    for (const auto& [short_form, long_form] : kTwins) {
        const ParseResult s = parse(short_form);
        const ParseResult l = parse(long_form);
        ASSERT_EQ(s.result, 0) << short_form[0];
        EXPECT_EQ(l.result, 0) << long_form[0] << l.err;
        EXPECT_EQ(l.state, s.state) << long_form[0];
        EXPECT_EQ(l.out + l.err, "");
    }
    // Refused alike, each in its own words.
    EXPECT_EQ(parse({"--load=2000", "--entry=1FFF"}).err,
              "Branch Address must be greater than Relocation Adress.\n");
}

TEST(CodefitLongOptions, LaterSettingsAndStreams) {
    ParseResult p = parse({"--quiet", "--verbose"});
    ASSERT_EQ(p.result, 0);
    EXPECT_TRUE(p.state.quiet);
    EXPECT_TRUE(p.state.verbose);
    EXPECT_FALSE(p.state.source_is_stdin);
    EXPECT_FALSE(p.state.target_is_stdout);
    EXPECT_FALSE(parse({}).state.quiet);

    p = parse_line({"codefit", "-", "out.k7"});
    ASSERT_EQ(p.result, 0);
    EXPECT_TRUE(p.state.source_is_stdin);
    EXPECT_FALSE(p.state.target_is_stdout);
    p = parse_line({"codefit", "./-", "-"});
    ASSERT_EQ(p.result, 0);
    EXPECT_FALSE(p.state.source_is_stdin);
    EXPECT_TRUE(p.state.target_is_stdout);

    // After "--", --help is a file name.
    p = parse_line({"codefit", "in", "--", "--help"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.target, "--help");
}

TEST(CodefitLongOptions, HelpNamesEveryOption) {
    const ParseResult p = parse({"--help"});
    EXPECT_EQ(p.result, fit::kAnswered);
    EXPECT_EQ(p.err, "");
    for (const char* option : {"-t:", "--type=", "-r:", "--load=", "-b:", "--entry=", "-n:",
                               "--name=", "-l:", "--loader=", "-p ", "--paged", "-c ",
                               "--clear-screen", "-h ", "--help", "--version", "--quiet",
                               "--verbose"})
        EXPECT_NE(p.out.find(option), std::string::npos) << option;
}

TEST(CodefitLongOptions, TwinsWriteTheSameBytes) {
    const fit_test::TempDir dir;
    fit_test::Bytes code(300);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 7);
    dir.write("in.bin", code);
    const std::pair<Words, Words> runs[] = {
        {{"-t:K7", "-r:C400", "-n:GAME", "-l:2"},
         {"--type=k7", "--load=0xC400", "--name", "GAME", "--loader=2"}},
        {{"-t:ROM", "-r:2000", "-b:2010", "-p"},
         {"--type=rom", "--load=2000", "--entry=$2010", "--paged"}},
        {{"-c", "-b:1800"}, {"--clear-screen", "--entry=1800"}},
        {{"-t:BAS"}, {"--type=bas"}},
    };
    for (const auto& [short_form, long_form] : runs)
        fit_test::expect_same_target("codefit", dir, "in.bin", short_form, long_form);
}
