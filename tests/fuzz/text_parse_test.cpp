// The parse-back checks of the two text targets must refuse any text the machine's
// BASIC or the assembler would read differently, or the fuzz checks prove nothing.
#include <gtest/gtest.h>

#include <string>

#include "support/text_parse.hpp"
#include "support/temp_dir.hpp"

namespace {

using fit_test::Bytes;

Bytes bytes(const std::string& s) { return {s.begin(), s.end()}; }

const std::string kRun = " READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n";
const std::string kFull = "110 DATA 0,17,34,51,68,85,102,119,136,153,170,187,204,221,238,255\r\n";
const std::string kBas = "100 DATA 50048,17\r\n" + kFull + "120 DATA 9\r\n130" + kRun;

const std::string kFullLine = "\t.byte $00,$11,$22,$33,$44,$55,$66,$77,$88,$99,$AA,$BB,$CC,$DD,$EE,$FF\r\n";
const std::string kTasm = "\r\n" + kFullLine + "\t.byte $10,$0A\r\n";

}  // namespace

TEST(TextParse, BasicProgramGivesBackItsCode) {
    fit_test::BasProgram p;
    ASSERT_EQ(fit_test::decode_bas(bytes(kBas), p), "");
    EXPECT_EQ(p.load, 50048u);
    ASSERT_EQ(p.code.size(), 17u);
    EXPECT_EQ(p.code[1], 17);
    EXPECT_EQ(p.code[16], 9);
    Bytes code = p.code;
    EXPECT_EQ(fit_test::bas_gives_back(bytes(kBas), 50048, code), "");
    EXPECT_NE(fit_test::bas_gives_back(bytes(kBas), 50049, code), "");
    code[3] ^= 1;
    EXPECT_NE(fit_test::bas_gives_back(bytes(kBas), 50048, code), "");
}

TEST(TextParse, BasicProgramFaultsAreRefused) {
    const std::string broken[] = {
        "100 DATA 50048,16\r\n" + kFull + "120 DATA 9\r\n130" + kRun,      // wrong count
        "100 DATA 50048,17\r\n" + kFull + "130 DATA 9\r\n140" + kRun,      // line numbers skip
        "100 DATA 50048,17\r\n" + kFull + "120 DATA 9\r\n140" + kRun,      // last line number
        "100 DATA 50048,17\r\n" + kFull + "120 DATA 256\r\n130" + kRun,    // not a byte
        "100 DATA 50048,17\r\n" + kFull + "120 DATA 09\r\n130" + kRun,     // leading zero
        "100 DATA 50048,17\r\n" + kFull + "120 DATA 9,\r\n130" + kRun,     // trailing comma
        "100 DATA 50048,17\r\n" + kFull + "120 DATA 9\n130" + kRun,        // bare LF
        "100 DATA 50048,17\r\n" + kFull + "120 DATA 9\r\n130" + kRun.substr(0, kRun.size() - 2),
        "100 DATA 50048,2\r\n110 DATA 1\r\n120 DATA 2\r\n130" + kRun,     // short line first
        "100 DATA 50048,17,1\r\n" + kFull + "120 DATA 9\r\n130" + kRun,
    };
    for (const auto& text : broken) {
        fit_test::BasProgram p;
        EXPECT_NE(fit_test::decode_bas(bytes(text), p), "") << text;
    }
}

TEST(TextParse, ListingGivesBackItsBytes) {
    Bytes code;
    ASSERT_EQ(fit_test::decode_tasm(bytes(kTasm), code), "");
    ASSERT_EQ(code.size(), 18u);
    EXPECT_EQ(code[10], 0xAA);
    EXPECT_EQ(code[17], 0x0A);
    EXPECT_EQ(fit_test::tasm_gives_back(bytes(kTasm), code), "");
    code.pop_back();
    EXPECT_NE(fit_test::tasm_gives_back(bytes(kTasm), code), "");
}

TEST(TextParse, ListingFaultsAreRefused) {
    const std::string broken[] = {
        kFullLine + "\t.byte $10\r\n",                                  // no empty first line
        "\r\n\t.byte $10\r\n" + kFullLine,                              // short line first
        "\r\n" + kFullLine.substr(0, kFullLine.size() - 2) + ",$01\r\n",  // 17 items
        "\r\n\t.byte $1a\r\n",                                          // lower case
        "\r\n\t.byte $10,\r\n",                                         // trailing comma
        "\r\n\t.byte $10, $11\r\n",                                     // blank
        "\r\n\t.byte $10",                                              // no line end
        "\r\n\t.byte $10\r\n\r\n",                                      // blank last line
        "\r\n.byte $10\r\n",                                            // no TAB
        "\r\n",                                                         // no directive
    };
    for (const auto& text : broken) {
        Bytes code;
        EXPECT_NE(fit_test::decode_tasm(bytes(text), code), "") << text;
    }
}
