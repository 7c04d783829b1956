#include <gtest/gtest.h>

#include "datafit/options.hpp"
#include "support/args.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

namespace {

using Words = std::vector<std::string>;
using Parsed = fit_test::Parsed<datafit::State>;

Parsed parse(const Words& options) {
    Words words{"datafit", "in.dat", "out.dsk"};
    words.insert(words.end(), options.begin(), options.end());
    return fit_test::parse_with<datafit::State>(datafit::ManageArguments, fit::datafit_errors,
                                                 words);
}

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
        const Parsed s = parse(short_form);
        const Parsed l = parse(long_form);
        ASSERT_EQ(s.result, 0) << short_form[0];
        EXPECT_EQ(l.result, 0) << long_form[0] << l.err;
        EXPECT_EQ(l.state, s.state) << long_form[0];
        EXPECT_EQ(l.out + l.err, "");
    }
}

TEST(DatafitLongOptions, LaterSettingsAndHelp) {
    Parsed p = parse({"--quiet", "--verbose"});
    ASSERT_EQ(p.result, 0);
    EXPECT_TRUE(p.state.quiet);
    EXPECT_TRUE(p.state.verbose);
    p = fit_test::parse_with<datafit::State>(datafit::ManageArguments, fit::datafit_errors,
                                              {"datafit", "-", "-"});
    EXPECT_EQ(p.result, 1) << "the same name twice, as before";

    p = parse({"--help"});
    EXPECT_EQ(p.result, fit::kAnswered);
    for (const char* option : {"-t:", "--type=", "-H:", "--header=", "-r:", "--record=", "-n:",
                               "--name=", "-h ", "--help", "--version"})
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
    for (const auto& [short_form, long_form] : runs) {
        Words a{"in.dat", "short.out"};
        Words b{"in.dat", "long.out"};
        a.insert(a.end(), short_form.begin(), short_form.end());
        b.insert(b.end(), long_form.begin(), long_form.end());
        const auto ra = fit_test::run_program("datafit", a, dir.path());
        const auto rb = fit_test::run_program("datafit", b, dir.path());
        ASSERT_EQ(ra.status, 0) << ra.err;
        ASSERT_EQ(rb.status, 0) << rb.err;
        const auto bytes = fit_test::read_bytes(dir.file("short.out"));
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(fit_test::read_bytes(dir.file("long.out")), bytes) << long_form[0];
    }
}
