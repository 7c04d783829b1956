#include <gtest/gtest.h>

#include "codefit_run.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "codefit/types.hpp"
#include "support/converter_run.hpp"

using fit_test::Bytes;

namespace {

constexpr const char* kRun =
    " READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n";

codefit::State bas_state(std::uint16_t reloc, std::uint16_t branch) {
    codefit::State s = codefit_test::state_for(codefit::kBAS, reloc, branch);
    return s;
}

fit_test::ConversionResult bas(const Bytes& code, std::uint16_t reloc = 0xC380) {
    return codefit_test::run_codefit(codefit::BasConv, bas_state(reloc, reloc), code);
}

std::string text_of(const fit_test::ConversionResult& r) {
    return {r.output.begin(), r.output.end()};
}

// The program text formatted value by value with a position count, the plainest way
// to put it, to hold the table-driven writer against.
std::string reference(std::uint16_t reloc, const Bytes& code) {
    std::string text;
    char buf[32];
    const auto add = [&](int n) { text.append(buf, static_cast<std::size_t>(n)); };
    add(std::snprintf(buf, sizeof buf, "%u DATA %u,%u", 100u, unsigned{reloc},
                      static_cast<unsigned>(code.size())));
    unsigned line = 110;
    int parlg = 17;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (parlg > 16) {
            add(std::snprintf(buf, sizeof buf, "\r\n%u DATA ", line));
            parlg = 1;
            line += 10;
        }
        add(std::snprintf(buf, sizeof buf, "%u", unsigned{code[i]}));
        if (i + 1 < code.size() && parlg <= 15) text += ',';
        ++parlg;
    }
    text += "\r\n" + std::to_string(line) + kRun;
    return text;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t p = 0; p < text.size();) {
        const std::size_t end = text.find("\r\n", p);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF";
            break;
        }
        lines.push_back(text.substr(p, end - p));
        p = end + 2;
    }
    return lines;
}

}  // namespace

TEST(BasConv, ThreeByteExample) {
    const auto r = bas({0x01, 0xFF, 0x10});
    ASSERT_EQ(r.result, 0) << r.err;
    EXPECT_EQ(text_of(r), std::string("100 DATA 50048,3\r\n110 DATA 1,255,16\r\n120") + kRun);
    EXPECT_EQ(r.output.size(), 110u);
}

TEST(BasConv, SixteenValuesALineAndNoTrailingComma) {
    Bytes sixteen(16);
    for (std::size_t i = 0; i < 16; ++i) sixteen[i] = static_cast<std::uint8_t>(i * 17);
    const std::string full = "110 DATA 0,17,34,51,68,85,102,119,136,153,170,187,204,221,238,255";
    auto r = bas(sixteen);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(text_of(r), "100 DATA 50048,16\r\n" + full + "\r\n120" + kRun);

    Bytes seventeen = sixteen;
    seventeen.push_back(0x00);
    r = bas(seventeen);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(text_of(r), "100 DATA 50048,17\r\n" + full + "\r\n120 DATA 0\r\n130" + kRun);
}

TEST(BasConv, MatchesValueByValueFormattingForEveryByteAndLength) {
    Bytes all(256);
    for (std::size_t i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(255 - i);
    EXPECT_EQ(text_of(bas(all)), reference(0xC380, all));
    for (const std::size_t n : {1u, 15u, 31u, 32u, 33u, 100u, 1151u}) {
        const Bytes code = fit_test::pattern(n, static_cast<std::uint32_t>(n));
        const std::uint16_t reloc = static_cast<std::uint16_t>(0xC7FF - n);
        EXPECT_EQ(text_of(bas(code, reloc)), reference(reloc, code)) << n << " bytes";
    }
}

TEST(BasConv, LongestProgramFillsTheWindow) {
    const auto r = bas(Bytes(1151, 0xFF));
    ASSERT_EQ(r.result, 0) << r.err;
    EXPECT_EQ(r.output.size(), 5418u);
    const auto lines = lines_of(text_of(r));
    ASSERT_EQ(lines.size(), 74u);
    EXPECT_EQ(lines[0], "100 DATA 50048,1151");
    for (std::size_t i = 1; i <= 72; ++i) {
        std::istringstream in(lines[i]);
        unsigned number = 0;
        std::string word;
        in >> number >> word;
        EXPECT_EQ(number, 100 + 10 * i);
        EXPECT_EQ(word, "DATA");
        const auto commas = std::count(lines[i].begin(), lines[i].end(), ',');
        EXPECT_EQ(commas, i < 72 ? 15 : 14) << lines[i];  // 71 full lines, then 15 values
    }
    EXPECT_EQ(lines[73].substr(0, 9), "830 READ ");
}

// The last load address a BASIC program takes.
TEST(BasConv, LoadAddressUpToTheWindowsEnd) {
    const auto last = bas({0x00}, 0xC7FE);
    ASSERT_EQ(last.result, 0);
    EXPECT_EQ(text_of(last), std::string("100 DATA 51198,1\r\n110 DATA 0\r\n120") + kRun);
}
