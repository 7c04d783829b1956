#include <gtest/gtest.h>

#include "codefit_run.hpp"

#include <string>
#include <string_view>

#include "codefit/types.hpp"
#include "support/converter_run.hpp"
#include "support/disk_parse.hpp"

using fit_test::Bytes;

namespace {

codefit::State dos_state(std::uint16_t reloc = 0x1000, std::uint16_t branch = 0x1000) {
    codefit::State s = codefit_test::state_for(codefit::kDOS, reloc, branch);
    return s;
}

fit_test::ConversionResult dos(const Bytes& code, const codefit::State& s = dos_state()) {
    return codefit_test::run_codefit(codefit::DosConv, s, code);
}

// The 71 characters of record `index` (0 is the module line).
std::string line(const Bytes& file, std::size_t index) {
    const auto at = file.begin() + static_cast<std::ptrdiff_t>(512 + 73 * index);
    EXPECT_EQ(at[0], 0x00);
    EXPECT_EQ(at[1], 0x47);
    return std::string(at + 2, at + 73);
}

std::string padded(std::string_view text) {
    std::string s(text);
    s.resize(71, ' ');
    return s;
}

}  // namespace

TEST(DosConv, ShortSourcesGiveOneLastLine) {
    struct Case {
        Bytes code;
        std::string_view text;
    };
    const Case cases[] = {
        {{0xAB}, "*ABF"},
        {{0x12, 0x34}, "B1234F"},
        {{0x0A, 0xF0}, "B0AF0F"},
        {{0x00, 0xFF, 0x5C}, "B00FF*5CF"},
    };
    for (const auto& c : cases) {
        const auto r = dos(c.code);
        ASSERT_EQ(r.result, 0);
        ASSERT_EQ(r.output.size(), 1024u);
        EXPECT_EQ(r.output[3], 3) << "three records";
        EXPECT_EQ(r.output[15], 1) << "one unit";
        EXPECT_EQ(line(r.output, 1), padded(c.text));
        EXPECT_EQ(fit_test::dos_gives_back(r.output, c.code), "");
    }
}

TEST(DosConv, ModuleAndEndLinesAreFixed) {
    for (const std::size_t length : {1u, 28u, 1000u}) {
        const auto r = dos(fit_test::pattern(length));
        ASSERT_EQ(r.result, 0);
        const std::size_t records = r.output[2] << 8 | r.output[3];
        EXPECT_EQ(line(r.output, 0), padded(std::string_view("K\0\0\0\0VORLAX  F", 14)));
        EXPECT_EQ(line(r.output, records - 1), padded(":CODEFIT CONVERTER 2.0"));
        EXPECT_EQ((Bytes{r.output[4], r.output[5]}), (Bytes{0x00, 0x47}));
    }
}

TEST(DosConv, FullLinesCarry28BytesAndTheRestGoesLast) {
    Bytes code(29);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 9);
    const auto r = dos(code);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output[3], 4);
    EXPECT_EQ(line(r.output, 1),
              "B0009B121BB242DB363FB4851B5A63B6C75B7E87B9099BA2ABBB4BDBC6CFBD8E1BEAF3F");
    EXPECT_EQ(line(r.output, 2), padded("*FCF"));

    // 28 bytes: module, one full line, end; 219 bytes of records, no last line.
    const auto full = dos(Bytes(code.begin(), code.end() - 1));
    ASSERT_EQ(full.result, 0);
    EXPECT_EQ(full.output[3], 3);
    EXPECT_EQ(line(full.output, 1), line(r.output, 1));
    EXPECT_EQ(full.output[512 + 219 - 71], ':');
    EXPECT_TRUE(std::all_of(full.output.begin() + 512 + 219, full.output.end(),
                            [](auto b) { return b == 0; }));
}

TEST(DosConv, EveryLengthParsesBack) {
    // Odd and even lengths around the line and unit boundaries.
    for (std::size_t length = 1; length <= 200; ++length) {
        const Bytes code = fit_test::pattern(length, static_cast<std::uint32_t>(length));
        const auto r = dos(code);
        ASSERT_EQ(r.result, 0) << length;
        ASSERT_EQ(fit_test::dos_gives_back(r.output, code), "") << length;
    }
    // The longest source: 1612 records (06 4C), 230 units.
    const Bytes code = fit_test::pattern(45056);
    const auto r = dos(code);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output.size(), 118272u);
    EXPECT_EQ((Bytes{r.output[2], r.output[3], r.output[15]}), (Bytes{0x06, 0x4C, 230}));
    EXPECT_EQ(fit_test::dos_gives_back(r.output, code), "");
}

// The parse-back check must refuse text a loader would not read.
TEST(DosConv, ParseBackRefusesBrokenText) {
    const Bytes code = fit_test::pattern(31);  // one full line, then "Bxxxx*xxF"
    const auto r = dos(code);
    ASSERT_EQ(fit_test::dos_gives_back(r.output, code), "");
    constexpr std::size_t full = 512 + 73 + 2, last = 512 + 146 + 2;
    const std::pair<std::size_t, std::uint8_t> changes[] = {
        {512 + 2 + 1, '0'},  // the module line's 0x00 bytes
        {full + 1, 'a'},     // lower-case digit
        {full + 5, '*'},     // lone byte inside a full line
        {full + 70, ' '},    // full line not closed
        {last + 9, 'F'},     // not blank after the closing F
        {last + 5, 'B'},     // the lone byte read as a word
        {512 + 219 + 2, ';'},  // end line
    };
    for (const auto& [offset, value] : changes) {
        Bytes bad = r.output;
        bad[offset] = value;
        EXPECT_NE(fit_test::dos_gives_back(bad, code), "") << "offset " << offset;
    }
    Bytes other = r.output;
    other[last + 6] = other[last + 6] == '0' ? '1' : '0';
    EXPECT_NE(fit_test::dos_gives_back(other, code), "");
}
