// The two program texts: the BASIC DATA loader and the assembler listing, read
// strictly and refused at the first character that is not what they hold.
#include <gtest/gtest.h>

#include "hand_built.hpp"

using fit_test::broken_at;
using fit_test::Bytes;
using fit_test::inspect;
using fit_test::text;
using fitinfo::Verdict;

namespace {

constexpr std::string_view kPokeLine =
    " READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n";
const std::string kThreeBytes = "100 DATA 50048,3\r\n110 DATA 1,255,16\r\n120" + std::string(kPokeLine);

std::string basic(unsigned load, const Bytes& code) {
    std::string s = "100 DATA " + std::to_string(load) + "," + std::to_string(code.size());
    unsigned line = 110;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (i % 16 == 0) {
            s += "\r\n" + std::to_string(line) + " DATA ";
            line += 10;
        } else {
            s += ",";
        }
        s += std::to_string(code[i]);
    }
    return s + "\r\n" + std::to_string(line) + std::string(kPokeLine);
}

std::string listing(const Bytes& data) {
    std::string s;
    char item[8];
    for (std::size_t i = 0; i < data.size(); ++i) {
        s += i % 16 == 0 ? "\r\n\t.byte " : ",";
        std::snprintf(item, sizeof item, "$%02X", data[i]);
        s += item;
    }
    return s + "\r\n";
}

Bytes payload(const std::string& s) {
    const auto inspection = inspect(text(s));
    EXPECT_EQ(inspection.verdict, Verdict::valid)
        << (inspection.error ? media::describe(*inspection.error) : inspection.kind);
    return inspection.finding ? inspection.finding->payload : Bytes{};
}

}  // namespace

TEST(BasicProgram, ReadsTheBytesOfEveryDataLine) {
    ASSERT_EQ(kThreeBytes.size(), 110u);
    EXPECT_EQ(payload(kThreeBytes), (Bytes{1, 255, 16}));
    EXPECT_EQ(inspect(text(kThreeBytes)).kind, "BASIC DATA loader program");
    for (const std::size_t n : {1u, 16u, 17u, 32u, 1151u}) {
        const Bytes code = fit_test::pattern(n, static_cast<std::uint32_t>(n));
        EXPECT_EQ(payload(basic(0xC380, code)), code) << n;
    }
    EXPECT_EQ(payload(basic(0xC7FE, {0})), Bytes{0});
}

TEST(BasicProgram, RefusesTheFirstCharacterOutOfPlace) {
    // "100 DATA 50048,3\r\n" is 18 characters; line 110 starts at 18, line 120 at 37.
    const std::vector<std::pair<std::size_t, char>> cases{
        {0, '2'}, {4, 'd'}, {14, ';'}, {16, '\n'}, {18 + 2, '1'}, {18 + 9, 'x'},
        {18 + 10, ';'}, {37 + 1, '3'}, {37 + 20, 'X'}, {109, ' '}};
    for (const auto& [at, c] : cases) {
        std::string bad = kThreeBytes;
        bad[at] = c;
        EXPECT_EQ(broken_at(text(bad)), at) << "character " << at;
    }
    EXPECT_EQ(broken_at(text(kThreeBytes + " ")), 110u);
    EXPECT_EQ(broken_at(text(kThreeBytes.substr(0, 100))), 100u);
    // Values out of range, with leading zeros, or more of them than the count.
    EXPECT_EQ(broken_at(text("100 DATA 50048,3\r\n110 DATA 1,256,16\r\n120" + std::string(kPokeLine))), 29u);
    EXPECT_EQ(broken_at(text("100 DATA 50048,3\r\n110 DATA 1,055,16\r\n120" + std::string(kPokeLine))), 29u);
    EXPECT_EQ(broken_at(text("100 DATA 50048,2\r\n110 DATA 1,255,16\r\n120" + std::string(kPokeLine))), 32u);
}

TEST(BasicProgram, TheAddressesMustFitTheWindow) {
    EXPECT_EQ(broken_at(text(basic(0xC37F, {1}))), 9u);
    EXPECT_EQ(broken_at(text(basic(0xC800, {1}))), 9u);
    EXPECT_EQ(broken_at(text(basic(0xC7FF, {1}))), 15u);  // "100 DATA 51199," is 15
    EXPECT_EQ(broken_at(text("100 DATA 50048,0\r\n110" + std::string(kPokeLine))), 15u);
}

TEST(AssemblerListing, ReadsEveryItem) {
    const Bytes seventeen = [] {
        Bytes b;
        for (std::uint8_t i = 0; i <= 0x10; ++i) b.push_back(i);
        return b;
    }();
    ASSERT_EQ(listing(seventeen).size(), 86u);
    EXPECT_EQ(payload(listing(seventeen)), seventeen);
    EXPECT_EQ(inspect(text(listing(seventeen))).kind, "assembler listing");
    for (const std::size_t n : {1u, 15u, 16u, 32u, 1000u}) {
        const Bytes data = fit_test::pattern(n, static_cast<std::uint32_t>(n));
        EXPECT_EQ(payload(listing(data)), data) << n;
    }
}

TEST(AssemblerListing, RefusesTheFirstCharacterOutOfPlace) {
    const std::string good = listing(fit_test::pattern(17, 5));
    // Line 2 starts at 2: TAB, ".byte ", then items of 4 characters and commas.
    const std::vector<std::pair<std::size_t, char>> cases{
        {1, '\r'}, {2, ' '}, {3, ','}, {9, '#'}, {10, 'x'}, {11, 'g'}, {13, ';'},
        {9 + 16 * 4 - 1, ','}, {84, ' '}};
    for (const auto& [at, c] : cases) {
        std::string bad = good;
        bad[at] = c;
        EXPECT_EQ(broken_at(text(bad)), at) << "character " << at;
    }
    // A short line that is not the last.
    const std::string two_short = "\r\n\t.byte $01\r\n\t.byte $02\r\n";
    EXPECT_EQ(broken_at(text(two_short)), 14u);
    EXPECT_EQ(broken_at(text("\r\n\t.byte $0a\r\n")), 11u);
}
