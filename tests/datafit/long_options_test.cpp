#include <gtest/gtest.h>

#include "datafit/options.hpp"
#include "support/args.hpp"
#include "support/temp_dir.hpp"
#include "support/twins.hpp"

namespace {

using Words = std::vector<std::string>;
using ParseResult = fit_test::ParseResult<datafit::State>;
const auto parse = fit_test::option_reader<datafit::State>(datafit::ManageArguments, fit::datafit_errors,
                                                         {"datafit", "in.dat", "out.dsk"});
const auto parse_line = fit_test::option_reader<datafit::State>(datafit::ManageArguments, fit::datafit_errors);

}  // namespace

TEST(DatafitLongOptions, TwinsGiveTheSameSettings) {
    const std::pair<Words, Words> twins[] = {
        {{"-t:K7"}, {"--type=k7"}},
        {{"-t:TASM"}, {"--type", "Tasm"}},
        {{"-t:K7", "-t:DOS"}, {"--type=k7", "--type=dos"}},
        {{"-H:80"}, {"--header=80"}},
        {{"-H:0x80"}, {"--header", "0x80"}},
        {{"-r:100"}, {"--record=$100"}},
        {{"-H:0", "-r:0"}, {"--header=0", "--record=0"}},
        {{"-r:10000"}, {"--record=10000"}},
        {{"-n:AB"}, {"--name=AB"}},
        {{"-n:ABCD", "-n:XY"}, {"--name=ABCD", "--name=XY"}},
        {{"-t:K7", "-H:A", "-r:64", "-n:LVL1"},
         {"--name=LVL1", "--record=64", "--header=a", "--type=K7"}},
    };
    for (const auto& [short_form, long_form] : twins) {
        const ParseResult s = parse(short_form);
        const ParseResult l = parse(long_form);
        ASSERT_EQ(s.result, 0) << short_form[0];
        EXPECT_EQ(l.result, 0) << long_form[0] << l.err;
        EXPECT_EQ(l.state, s.state) << long_form[0];
        EXPECT_EQ(l.out + l.err, "");
    }
}

TEST(DatafitLongOptions, LaterSettingsAndHelp) {
    ParseResult p = parse({"--quiet", "--verbose"});
    ASSERT_EQ(p.result, 0);
    EXPECT_TRUE(p.state.quiet);
    EXPECT_TRUE(p.state.verbose);
    p = parse_line({"datafit", "-", "-"});
    EXPECT_EQ(p.result, 0) << "standard input to standard output: two streams, no file";
    EXPECT_TRUE(p.state.source_is_stdin);
    EXPECT_TRUE(p.state.target_is_stdout);
    p = parse_line({"datafit", "./-", "./-"});
    EXPECT_EQ(p.result, 1) << "./- is a file, named twice";
    EXPECT_FALSE(p.state.source_is_stdin);

    p = parse({"--help"});
    EXPECT_EQ(p.result, fit::kAnswered);
    for (const char* option : {"-t:", "--type=", "-H:", "--header=", "-r:", "--record=", "-n:",
                               "--name=", "-h ", "--help", "--version", "--quiet", "--verbose"})
        EXPECT_NE(p.out.find(option), std::string::npos) << option;
}

TEST(DatafitLongOptions, TwinsWriteTheSameBytes) {
    const fit_test::TempDir dir;
    dir.write("in.dat", fit_test::pattern(1000));
    const std::pair<Words, Words> runs[] = {
        {{"-H:A", "-r:64"}, {"--header=A", "--record=0x64"}},
        {{"-t:K7", "-H:A", "-r:64", "-n:LVL1"},
         {"--type=k7", "--header", "a", "--record", "64", "--name=LVL1"}},
        {{"-t:TASM"}, {"--type=tasm"}},
    };
    for (const auto& [short_form, long_form] : runs)
        fit_test::expect_same_target("datafit", dir, "in.dat", short_form, long_form);
}
