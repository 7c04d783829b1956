#include "datafit/options.hpp"
#include "datafit/types.hpp"

#include <gtest/gtest.h>

#include "support/args.hpp"

#include <climits>
#include <vector>


namespace {

using ParseResult = fit_test::ParseResult<datafit::State>;

const auto parse = fit_test::option_reader<datafit::State>(datafit::ManageArguments, fit::datafit_errors);
// The two file names, then the options.
const auto parse_options = fit_test::option_reader<datafit::State>(datafit::ManageArguments,
                                                                   fit::datafit_errors, {"datafit", "s", "t"});

}  // namespace

TEST(DatafitOptions, DefaultsAndFileNamesAnywhere) {
    auto p = parse({"datafit", "level.dat", "level.dsk"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.type_number, datafit::kDOS);
    EXPECT_EQ(p.state.headerSize.size(), 0);
    EXPECT_EQ(p.state.recordSize.size(), 0);
    EXPECT_EQ(p.state.K7Name, media::kBlankK7Name);
    EXPECT_EQ(p.state.source, "level.dat");
    EXPECT_EQ(p.state.target, "level.dsk");
    EXPECT_EQ(p.out + p.err, "");

    p = parse({"datafit", "-H:10", "in", "-t:K7", "out", "-r:20"});
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.state.source, "in");
    EXPECT_EQ(p.state.target, "out");
    EXPECT_EQ(p.state.type_number, datafit::kK7);
    EXPECT_EQ(p.state.headerSize.size(), 16);
    EXPECT_EQ(p.state.recordSize.size(), 32);
}

TEST(DatafitOptions, TypeIsMatchedWithItsColonAndTheLastValidWins) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"-t:DOS"}, datafit::kDOS},         {{"-t:K7"}, datafit::kK7},
        {{"-t:TASM"}, datafit::kTASM},       {{"-t", "K7"}, datafit::kDOS},
        {{"-t:k7"}, datafit::kDOS},          {{"-t:tasm"}, datafit::kDOS},
        {{"-tK7"}, datafit::kDOS},           {{"-t:K7", "-t:TASM"}, datafit::kTASM},
        {{"-t:TASM", "-t:nope"}, datafit::kTASM},
    };
    for (const auto& [opts, type] : cases) {
        const auto p = parse_options(opts);
        ASSERT_EQ(p.result, 0) << opts.back();
        EXPECT_EQ(p.state.type_number, type) << opts.back();
        EXPECT_EQ(p.state.source, "s");
    }
}

TEST(DatafitOptions, SizesAreReadLikeStrtolInBase16AndKeptWhole) {
    struct Case {
        const char* word;
        long value;
        bool overflow;
        std::optional<int> size;
    };
    const Case cases[] = {
        {"-H:80", 128, false, 128},
        {"-H:0x80", 128, false, 128},
        {"-H:  +1fzz", 31, false, 31},
        {"-H:", 0, false, 0},
        {"-Hx", 0, false, 0},
        {"-H:7FFFFFFF", INT_MAX, false, INT_MAX},
        {"-H:-1", -1, false, std::nullopt},
        {"-H:80000000", 0x80000000L, false, std::nullopt},
        {"-H:100000000", 0x100000000L, false, std::nullopt},  // not wrapped to 0
        {"-H:FFFFFFFFFFFFFFFFFF", LONG_MAX, true, std::nullopt},
        {"-H:-FFFFFFFFFFFFFFFFFF", LONG_MIN, true, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto p = parse_options({c.word});
        ASSERT_EQ(p.result, 0) << c.word;
        EXPECT_EQ(p.state.headerSize.value, c.value) << c.word;
        EXPECT_EQ(p.state.headerSize.overflow, c.overflow) << c.word;
        EXPECT_EQ(p.state.headerSize.size(), c.size) << c.word;
        EXPECT_EQ(p.state.recordSize.value, 0) << c.word;
    }
    EXPECT_EQ(parse_options({"-r:100"}).state.recordSize.size(), 256);
    EXPECT_EQ(parse_options({"-r:100000000"}).state.recordSize.size(), std::nullopt);
    // As a separate word the first character is skipped all the same; an empty word
    // has nothing to skip and reads as 0.
    EXPECT_EQ(parse_options({"-H", "80"}).state.headerSize.size(), 0);
    EXPECT_EQ(parse_options({"-H", "x40"}).state.headerSize.size(), 64);
    const auto empty = parse_options({"-r", ""});
    ASSERT_EQ(empty.result, 0);
    EXPECT_EQ(empty.state.recordSize.size(), 0);
}

TEST(DatafitOptions, CassetteName) {
    const std::pair<std::vector<std::string>, media::K7Name> cases[] = {
        {{"-n:AB"}, {'A', 'B', ' ', ' '}},
        {{"-n:ABCD", "-n:XY"}, {'X', 'Y', 'C', 'D'}},
        {{"-n:"}, media::kBlankK7Name},
        {{"-n", ""}, media::kBlankK7Name},
        {{"-nABCD"}, {'B', 'C', 'D', ' '}},
        {{"-n:lv1"}, {'l', 'v', '1', ' '}},
    };
    for (const auto& [opts, name] : cases) {
        const auto p = parse_options(opts);
        ASSERT_EQ(p.result, 0) << opts.front();
        EXPECT_EQ(p.state.K7Name, name) << opts.front();
    }
    const auto p = parse_options({"-n:ABCDE"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "Incorrect K7 Filename.\n");
}

TEST(DatafitOptions, RejectionsReturnOneWithTheirMessage) {
    auto p = parse_options({"-i"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.out + p.err, "") << "-i stops without a word of its own";

    // The three first types keep their place and spelling; a type added later comes after.
    p = parse_options({"-h", "-x"});
    const std::string later = fit_test::later_names(datafit::kTargetTypes, 3);
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.out,
              "Usage: datafit sourceFile targetFile [-t:DOS|K7|TASM" + later + "] [-H:0xHeaderSize] "
              "[-r:0xRecordSize] [-n:4LettersK7Filename]\n");
    EXPECT_EQ(p.err, "") << "nothing after -h is looked at";

    for (const char c : {'t', 'H', 'r', 'n'}) {
        p = parse_options({std::string("-") + c});
        EXPECT_EQ(p.result, 1);
        EXPECT_EQ(p.err, std::string("datafit: option requires an argument -- '") + c +
                             "'\nOption -" + c + " requires an argument.\n");
    }

    p = parse_options({"-b:1"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "datafit: invalid option -- 'b'\nUnknown option `-b'.\n");

    for (const auto& words : {std::initializer_list<std::string>{"datafit", "s"},
                              std::initializer_list<std::string>{"datafit", "s", "t", "u"}}) {
        p = parse(words);
        EXPECT_EQ(p.result, 1);
        EXPECT_EQ(p.err, "Two arguments required: sourceFile TargetFile.\n");
    }

    p = parse({"datafit", "same", "same", "-t:K7"});
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.err, "ERROR: Same filename for source and target files.\n");
}
