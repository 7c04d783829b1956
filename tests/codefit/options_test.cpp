#include "codefit/options.hpp"
#include "codefit/types.hpp"

#include <gtest/gtest.h>

#include "support/args.hpp"

namespace {

using ParseResult = fit_test::ParseResult<codefit::State>;

const auto parse = fit_test::option_reader<codefit::State>(codefit::ManageArguments, fit::codefit_errors);

}  // namespace

TEST(CodefitOptions, DefaultsToExeAt1000) {
    const auto p = parse({"codefit", "a.bin", "a.exe"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.type_number, codefit::kEXE);
    EXPECT_EQ(p.state.load_address, 0x1000);
    EXPECT_EQ(p.state.entry_address, 0x1000);
    EXPECT_EQ(p.state.K7Name, media::kBlankK7Name);
    EXPECT_EQ(p.state.loaderk7, 0);
    EXPECT_FALSE(p.state.pagination);
    EXPECT_FALSE(p.state.clearvdp);
    EXPECT_EQ(p.state.source, "a.bin");
    EXPECT_EQ(p.state.target, "a.exe");
    EXPECT_EQ(p.err, "");
}

TEST(CodefitOptions, TypeDefaultsAndInferenceFromAddresses) {
    struct Case {
        std::initializer_list<std::string> opts;
        int type;
        std::uint16_t reloc, branch;
    };
    const Case cases[] = {
        {{"-r:C400"}, codefit::kK7, 0xC400, 0xC400},
        {{"-r:BFFE"}, codefit::kEXE, 0xBFFE, 0xBFFE},
        {{"-r:BFFF"}, codefit::kK7, 0xBFFF, 0xBFFF},
        {{"-r:0x8000"}, codefit::kEXE, 0x8000, 0x8000},
        {{"-b:2000"}, codefit::kEXE, 0x2000, 0x2000},
        {{"-b:C300"}, codefit::kK7, 0xC300, 0xC300},
        {{"-t:K7", "-r:C400"}, codefit::kK7, 0xC400, 0xC400},
        {{"-r:C400", "-t:K7"}, codefit::kK7, 0xC400, 0xC400},
        {{"-r:2000", "-t:K7"}, codefit::kK7, 0x2000, 0x2000},
        {{"-t:BAS"}, codefit::kBAS, 0xC380, 0xC380},
        {{"-t:ROM"}, codefit::kROM, 0x1000, 0x1000},
        {{"-t:DOS"}, codefit::kDOS, 0x1000, 0x1000},
        {{"-t:EXE", "-b:C000"}, codefit::kEXE, 0x1000, 0xC000},
        {{"-r:0", "-t:K7"}, codefit::kK7, 0xC300, 0xC300},
        {{"-r:12345"}, codefit::kEXE, 0x2345, 0x2345},  // kept to 16 bits
        {{"-r:  0x1f00zz"}, codefit::kEXE, 0x1F00, 0x1F00},
        {{"-t:ROM", "-t:BAS"}, codefit::kBAS, 0x1000, 0x1000},
        {{"-r:1000", "-b:1000"}, codefit::kEXE, 0x1000, 0x1000},
    };
    for (const auto& c : cases) {
        std::initializer_list<std::string> base{"codefit", "s", "t"};
        std::vector<std::string> words(base);
        words.insert(words.end(), c.opts);
        ParseResult p{};
        {
            std::vector<char*> argv;
            for (auto& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            fit::Reporter report(fit::codefit_errors);
            p.result = codefit::ManageArguments(static_cast<int>(words.size()), argv.data(),
                                                p.state, report);
        }
        const std::string what = words[3];
        ASSERT_EQ(p.result, 0) << what;
        EXPECT_EQ(p.state.type_number, c.type) << what;
        EXPECT_EQ(p.state.load_address, c.reloc) << what;
        EXPECT_EQ(p.state.entry_address, c.branch) << what;
    }
}

TEST(CodefitOptions, UnmatchedTypeArgumentsAreIgnored) {
    for (const auto& words : {std::vector<std::string>{"codefit", "-t", "K7", "s", "t"},
                              std::vector<std::string>{"codefit", "-tK7", "s", "t"},
                              std::vector<std::string>{"codefit", "-t:k7", "s", "t"},
                              std::vector<std::string>{"codefit", "-t:K7X", "s", "t"}}) {
        auto copy = words;
        std::vector<char*> argv;
        for (auto& w : copy) argv.push_back(w.data());
        argv.push_back(nullptr);
        codefit::State state;
        fit::Reporter report(fit::codefit_errors);
        ASSERT_EQ(codefit::ManageArguments(static_cast<int>(copy.size()), argv.data(), state, report), 0)
            << words[1];
        EXPECT_EQ(state.type_number, codefit::kEXE) << words[1];
        EXPECT_EQ(state.load_address, 0x1000) << words[1];
    }
}

TEST(CodefitOptions, OptionsMayStandAnywhere) {
    const auto p = parse({"codefit", "-p", "in.bin", "-t:ROM", "out.rom", "-c"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.source, "in.bin");
    EXPECT_EQ(p.state.target, "out.rom");
    EXPECT_EQ(p.state.type_number, codefit::kROM);
    EXPECT_TRUE(p.state.pagination);
    EXPECT_TRUE(p.state.clearvdp);

    const auto q = parse({"codefit", "-t:ROM", "--", "-in", "-out"});
    ASSERT_EQ(q.result, 0);
    EXPECT_EQ(q.state.source, "-in");
    EXPECT_EQ(q.state.target, "-out");
}

TEST(CodefitOptions, CassetteName) {
    auto p = parse({"codefit", "s", "t", "-n:AB"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.K7Name, (media::K7Name{'A', 'B', ' ', ' '}));

    p = parse({"codefit", "s", "t", "-n:abcd", "-n:XY"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.K7Name, (media::K7Name{'X', 'Y', 'c', 'd'}));

    p = parse({"codefit", "s", "t", "-n:"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.K7Name, media::kBlankK7Name);

    p = parse({"codefit", "s", "t", "-n", ""});
    ASSERT_EQ(p.result, 0) << "an empty word is an empty name";
    EXPECT_EQ(p.state.K7Name, media::kBlankK7Name);

    p = parse({"codefit", "s", "t", "-n:ABCDE"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "Incorrect K7 Filename.\n");
}

TEST(CodefitOptions, LoaderKind) {
    EXPECT_EQ(parse({"codefit", "s", "t", "-l:1"}).state.loaderk7, 1);
    EXPECT_EQ(parse({"codefit", "s", "t", "-l:2"}).state.loaderk7, 2);
    for (const char* bad : {"-l:0", "-l:3", "-l:4294967297", "-l:x", "-l:", "-l:-1"}) {
        const auto p = parse({"codefit", "s", "t", bad});
        EXPECT_EQ(p.result, 1) << bad;
        EXPECT_EQ(p.err, "Basic loader must be type 1 or 2 (80 col mode init).\n") << bad;
    }
}

// The five first types keep their place and spelling; a type added later comes after them.
TEST(CodefitOptions, HelpPrintsUsageAndStops) {
    const auto p = parse({"codefit", "s", "t", "-h", "-x"});
    const std::string later = fit_test::later_names(codefit::kTargetTypes, 5);
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.out,
              "Usage: codefit sourceFile targetFile [-t:EXE|DOS|ROM|K7|BAS" + later + "] [-r:0xRelocAdr] "
              "[-b:0xBranchAdr] [-n:4LettersK7Filename] [-l:1|2] [-p] [-c]\n");
    EXPECT_EQ(p.err, "");
}

TEST(CodefitOptions, BadOptionsGetGetoptsLineThenOurs) {
    auto p = parse({"codefit", "s", "t", "-x"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "codefit: invalid option -- 'x'\nUnknown option `-x'.\n");

    p = parse({"codefit", "s", "t", "-l"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "codefit: option requires an argument -- 'l'\nOption -l requires an argument.\n");

    p = parse({"codefit", "s", "t", "-\x01"});
    EXPECT_EQ(p.result, 1);
    EXPECT_NE(p.err.find("Unknown option character `\\x1'.\n"), std::string::npos) << p.err;

    p = parse({"codefit", "s", "t", "-\xe9"});
    EXPECT_EQ(p.result, 1);
    EXPECT_NE(p.err.find("Unknown option character `\\xe9'.\n"), std::string::npos) << p.err;
}

TEST(CodefitOptions, AddressOrderAndFileNames) {
    auto p = parse({"codefit", "s", "t", "-r:2000", "-b:1FFF"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "Branch Address must be greater than Relocation Adress.\n");

    for (const auto& words : {std::initializer_list<std::string>{"codefit", "s"},
                              std::initializer_list<std::string>{"codefit", "s", "t", "u"},
                              std::initializer_list<std::string>{"codefit"}}) {
        p = parse(words);
        EXPECT_EQ(p.result, 1);
        EXPECT_EQ(p.err, "Two arguments required: sourceFile TargetFile.\n");
    }

    p = parse({"codefit", "same", "same"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "ERROR: Same filename for source and target files.\n");

    // Names are compared as typed.
    EXPECT_EQ(parse({"codefit", "same", "./same"}).result, 0);
}
