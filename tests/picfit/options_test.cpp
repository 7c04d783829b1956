#include "picfit/options.hpp"

#include <gtest/gtest.h>

#include "support/args.hpp"

namespace {

using ParseResult = fit_test::ParseResult<picfit::State>;

const auto parse = fit_test::option_reader<picfit::State>(picfit::ManageArguments, fit::picfit_errors);

}  // namespace

TEST(PicfitOptions, ModeAndNamesWhereverTheOptionStands) {
    struct Case {
        std::initializer_list<std::string> words;
        int mode;
        std::string target = "out.tav";
    };
    const Case cases[] = {
        {{"picfit", "in.pcx", "out.tav"}, picfit::kColour},
        {{"picfit", "in.pcx", "out.tav", "-b"}, picfit::kTwoColour},
        {{"picfit", "-b", "in.pcx", "out.tav"}, picfit::kTwoColour},
        {{"picfit", "in.pcx", "-b", "out.tav", "-b"}, picfit::kTwoColour},
        {{"picfit", "in.pcx", "IN.pcx"}, picfit::kColour, "IN.pcx"},  // names differ in case
        {{"picfit", "in.pcx", "./in.pcx"}, picfit::kColour, "./in.pcx"},
    };
    for (const auto& c : cases) {
        const ParseResult p = parse(c.words);
        ASSERT_EQ(p.result, 0) << p.err;
        EXPECT_EQ(p.state.mode, c.mode);
        EXPECT_EQ(p.state.source, "in.pcx");
        EXPECT_EQ(p.state.target, c.target);
        EXPECT_EQ(p.out + p.err, "");
    }
}

TEST(PicfitOptions, Rejections) {
    struct Case {
        std::initializer_list<std::string> words;
        std::string out, err_tail;
    };
    const Case cases[] = {
        {{"picfit", "-h", "in.pcx", "out.tav"}, "Usage: picfit sourceFile targetFile [-b]\n", ""},
        {{"picfit", "in.pcx", "out.tav", "-h", "-x"},
         "Usage: picfit sourceFile targetFile [-b]\n",
         ""},
        {{"picfit", "-x", "in.pcx", "out.tav"}, "", "Unknown option `-x'.\n"},
        {{"picfit", "in.pcx", "out.tav", "-\x01"}, "", "Unknown option character `\\x1'.\n"},
        {{"picfit", "in.pcx"}, "", "Two arguments required: sourceFile TargetFile.\n"},
        {{"picfit", "a", "b", "c"}, "", "Two arguments required: sourceFile TargetFile.\n"},
        {{"picfit", "same", "same", "-b"},
         "",
         "ERROR: Same filename for source and target files.\n"},
    };
    for (const auto& c : cases) {
        const ParseResult p = parse(c.words);
        EXPECT_EQ(p.result, 1);
        EXPECT_EQ(p.out, c.out);
        EXPECT_TRUE(p.err.ends_with(c.err_tail)) << p.err;
        if (c.err_tail.starts_with("Unknown")) {
            // getopt's own line first.
            EXPECT_NE(p.err.find("invalid option"), std::string::npos) << p.err;
        } else {
            EXPECT_EQ(p.err, c.err_tail);
        }
    }
}
