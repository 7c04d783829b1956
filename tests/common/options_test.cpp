#include "common/options.hpp"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/args.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

namespace {

enum : int { kFlag = fit::kFirstOwnLongCode, kValue };

constexpr std::array<fit::LongOption, 2> kLongs{{
    {"flag", false, kFlag},
    {"value", true, kValue},
}};

// What the scanner returned, one entry per option ("a", "flag", "value=x", "?x",
// "refused"), then the file names.
struct Scan {
    std::vector<std::string> options;
    std::vector<std::string> names;
    std::string err;
};

Scan scan(std::vector<std::string> words, int stop_after = -1) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Scan s;
    testing::internal::CaptureStderr();
    fit::OptionScanner scanner(static_cast<int>(words.size()), argv.data(), "abv:", kLongs,
                               "prog");
    for (int c = scanner.next(); c != -1; c = scanner.next()) {
        if (c == kFlag)
            s.options.emplace_back("flag");
        else if (c == kValue)
            s.options.push_back(std::string(scanner.long_name()) + "=" + scanner.argument());
        else if (c == fit::OptionScanner::kLongRefused)
            s.options.emplace_back("refused");
        else if (c == '?')
            s.options.push_back(std::string("?") + static_cast<char>(scanner.bad_option()));
        else
            s.options.push_back(std::string(1, static_cast<char>(c)) + scanner.argument());
        if (static_cast<int>(s.options.size()) == stop_after) break;
    }
    s.err = testing::internal::GetCapturedStderr();
    s.names = scanner.names();
    return s;
}

using Words = std::vector<std::string>;

}  // namespace

TEST(OptionScanner, LongOptionForms) {
    struct Case {
        Words words;
        Words options;
        Words names;
    };
    const Case cases[] = {
        {{"p", "--value=x", "s"}, {"value=x"}, {"s"}},
        {{"p", "--value", "x", "s"}, {"value=x"}, {"s"}},
        {{"p", "--value=", "s"}, {"value="}, {"s"}},
        {{"p", "--value=a=b"}, {"value=a=b"}, {}},
        // The next word is the value whatever it looks like, as getopt_long takes it.
        {{"p", "--value", "--flag"}, {"value=--flag"}, {}},
        {{"p", "--value", "-"}, {"value=-"}, {}},
        {{"p", "s", "--flag", "t"}, {"flag"}, {"s", "t"}},
        // Clusters, short arguments and long options side by side.
        {{"p", "-ab", "--flag", "-vX", "--flag"}, {"a", "b", "flag", "vX", "flag"}, {}},
        {{"p", "-v", "--flag", "s"}, {"v--flag"}, {"s"}},
        {{"p", "-ba", "-", "--value", "1"}, {"b", "a", "value=1"}, {"-"}},
        // "--" ends the options; "-" and "./-" are names.
        {{"p", "--flag", "--", "--flag", "-a"}, {"flag"}, {"--flag", "-a"}},
        {{"p", "-", "./-"}, {}, {"-", "./-"}},
        // Exact names only.
        {{"p", "--fla", "s"}, {"refused"}, {"s"}},
        {{"p", "--flags", "s"}, {"refused"}, {"s"}},
        {{"p", "--flag=1"}, {"refused"}, {}},
        {{"p", "--value"}, {"refused"}, {}},
        {{"p", "---flag"}, {"refused"}, {}},
    };
    for (const auto& c : cases) {
        const Scan s = scan(c.words);
        EXPECT_EQ(s.options, c.options) << c.words[1];
        EXPECT_EQ(s.names, c.names) << c.words[1];
    }
}

TEST(OptionScanner, RefusalsAreOneLine) {
    EXPECT_EQ(scan({"p", "--fla"}).err, "prog: --fla: unknown option; see prog --help\n");
    EXPECT_EQ(scan({"p", "--flag=1"}).err, "prog: --flag: takes no value\n");
    EXPECT_EQ(scan({"p", "--value"}).err, "prog: --value: needs a value; see prog --help\n");
    // Short options keep getopt's own line.
    EXPECT_EQ(scan({"p", "-x"}).err, "p: invalid option -- 'x'\n");
}

TEST(OptionScanner, StartsAfreshAfterAScanStoppedInsideACluster) {
    // The first scan stops after -a, with getopt still inside "-ab"; the next one
    // starts with a long option, which getopt does not see.
    EXPECT_EQ(scan({"p", "-ab"}, 1).options, Words{"a"});
    const Scan s = scan({"p", "--flag", "-b", "s"});
    EXPECT_EQ(s.options, (Words{"flag", "b"}));
    EXPECT_EQ(s.names, Words{"s"});
}

TEST(OptionValues, StrictHexadecimal) {
    struct Case {
        const char* text;
        unsigned long highest;
        std::optional<unsigned long> value;
    };
    const Case cases[] = {
        {"C400", 0xFFFF, 0xC400},  {"c400", 0xFFFF, 0xC400}, {"0xC400", 0xFFFF, 0xC400},
        {"0XC400", 0xFFFF, 0xC400}, {"$C400", 0xFFFF, 0xC400}, {"0", 0xFFFF, 0},
        {"FFFF", 0xFFFF, 0xFFFF},   {"0000FFFF", 0xFFFF, 0xFFFF}, {"10000", 0xFFFF, {}},
        {"", 0xFFFF, {}},           {"0x", 0xFFFF, {}},        {"$", 0xFFFF, {}},
        {" 1", 0xFFFF, {}},         {"1 ", 0xFFFF, {}},        {"+1", 0xFFFF, {}},
        {"-1", 0xFFFF, {}},         {"$0x1", 0xFFFF, {}},      {"1G", 0xFFFF, {}},
        {"FFFFFFFFFFFFFFFFFFFF", 0xFFFF, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fit::parse_hex_strictly(c.text, c.highest), c.value) << '"' << c.text << '"';
}

// tests/data/options/refusals.txt, run through the programs.
TEST(LongOptionRefusals, OneLineAndStatusOne) {
    std::ifstream table(std::string(FIT_TEST_DATA) + "/options/refusals.txt");
    ASSERT_TRUE(table) << "no table";
    const fit_test::TempDir dir;
    int rows = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto tab1 = line.find('\t');
        const auto tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        const std::string program = line.substr(0, tab1);
        std::istringstream words(line.substr(tab1 + 1, tab2 - tab1 - 1));
        std::vector<std::string> args;
        for (std::string w; words >> w;) args.push_back(w);
        const auto r = fit_test::run_program(program, args, dir.path());
        std::string banner;
        if (program != "fitinfo") {
            banner = program + " 2010.01\n";
            banner[0] = static_cast<char>(banner[0] - 'a' + 'A');
        }
        EXPECT_EQ(r.status, 1) << line;
        EXPECT_EQ(r.out, banner) << line;
        EXPECT_EQ(r.err, line.substr(tab2 + 1) + "\n") << line;
        ++rows;
    }
    EXPECT_GT(rows, 40);
}

TEST(LongOptions, HelpAndVersionExitZeroOnStandardOutput) {
    const fit_test::TempDir dir;
    for (const std::string program : {"codefit", "datafit", "picfit", "fitinfo"}) {
        std::string name = program;
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        const std::string version = name + " 2010.01\n";

        auto r = fit_test::run_program(program, {"--version"}, dir.path());
        EXPECT_EQ(r.status, 0) << program;
        EXPECT_EQ(r.out, version) << program;
        EXPECT_EQ(r.err, "") << program;
        // Without the banner the version line still comes, once.
        r = fit_test::run_program(program, {"--quiet", "--version"}, dir.path());
        EXPECT_EQ(r.out, version) << program;

        // Whatever else stands on the line, and before anything is read.
        r = fit_test::run_program(program, {"no-such-file", "--help", "-x", "--nonsense"},
                                  dir.path());
        EXPECT_EQ(r.status, 0) << program;
        EXPECT_EQ(r.err, "") << program;
        EXPECT_NE(r.out.find("Usage: " + program + " [options]"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Examples:\n  " + program + " "), std::string::npos) << r.out;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79U) << line;

        // -h keeps its short usage and status 1.
        r = fit_test::run_program(program, {"-h"}, dir.path());
        EXPECT_EQ(r.status, 1) << program;
        EXPECT_EQ(r.out.find("[options]"), std::string::npos) << r.out;
    }
}
