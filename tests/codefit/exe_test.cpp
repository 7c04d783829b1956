#include <gtest/gtest.h>

#include "codefit_run.hpp"

#include "codefit/types.hpp"
#include "support/converter_run.hpp"
#include "support/disk_parse.hpp"

using fit_test::Bytes;

namespace {

codefit::State exe_state(std::uint16_t reloc, std::uint16_t branch, bool clear = false) {
    codefit::State s = codefit_test::state_for(codefit::kEXE, reloc, branch);
    s.clearvdp = clear;
    return s;
}

fit_test::ConversionResult exe(const codefit::State& s, const Bytes& code) {
    return codefit_test::run_codefit(codefit::ExeConv, s, code);
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t n) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

}  // namespace

TEST(ExeConv, WritesBothRecordsInTheirByteOrders) {
    const Bytes code = fit_test::pattern(256);
    const auto r = exe(exe_state(0x1000, 0x1000), code);
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.output.size(), 1024u);
    // Container header: two records, the code length declared as the maximum, 1 unit.
    EXPECT_EQ(slice(r.output, 0, 16),
              (Bytes{0xFD, 0, 0x00, 0x02, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x01}));
    // 00 11, then ExeHeader low byte first: entry, length, end address 0x10FF, flag,
    // version, the signature backwards; then the code's length word high byte first.
    EXPECT_EQ(slice(r.output, 512, 21),
              (Bytes{0x00, 0x11, 0x00, 0x00, 0x00, 0x10, 0x00, 0x01, 0xFF, 0x10, 0x01, 0x01,
                     0x00, 'X', 'A', 'L', 'R', 'O', 'V', 0x01, 0x00}));
    EXPECT_EQ(fit_test::exe_gives_back(r.output, code), "");

    const auto small = exe(exe_state(0x2000, 0x2345), {0x11, 0x22, 0x33});
    ASSERT_EQ(small.result, 0);
    EXPECT_EQ(slice(small.output, 516, 6), (Bytes{0x45, 0x23, 0x03, 0x00, 0x02, 0x20}));
    EXPECT_EQ(slice(small.output, 531, 6), (Bytes{0x00, 0x03, 0x33, 0x22, 0x11, 0x00}));
    EXPECT_EQ(small.output[4], 0x00);  // declared maximum 3, below the 17-byte header
    EXPECT_EQ(small.output[5], 0x03);

    // One byte: the end address is the load address itself.
    const auto one = exe(exe_state(0x0345, 0x0345), {0x99});
    ASSERT_EQ(one.result, 0);
    EXPECT_EQ(slice(one.output, 520, 2), (Bytes{0x45, 0x03}));
    EXPECT_EQ(slice(one.output, 531, 3), (Bytes{0x00, 0x01, 0x99}));
}

TEST(ExeConv, CodeOfEveryLengthAroundTheWordStepsIsReversed) {
    for (std::size_t n = 1; n <= 40; ++n) {
        const Bytes code = fit_test::pattern(n, static_cast<std::uint32_t>(n));
        const auto r = exe(exe_state(0x1000, 0x1000), code);
        ASSERT_EQ(r.result, 0);
        EXPECT_EQ(slice(r.output, 533, n), Bytes(code.rbegin(), code.rend())) << n;
    }
}

TEST(ExeConv, FlagBitsFollowLoadAddressEndAndClearOption) {
    struct Case {
        std::uint16_t reloc;
        std::size_t length;
        bool clear;
        std::uint8_t flag;
    };
    const Case cases[] = {
        {0x0200, 1, false, 0x00}, {0x0FFF, 1, false, 0x00}, {0x1000, 1, false, 0x01},
        {0x0200, 1, true, 0x02},  {0x7F00, 256, false, 0x01}, {0x7F00, 257, false, 0x05},
        {0x0FFF, 0x7002, false, 0x04}, {0x1000, 0x7001, true, 0x07}, {0x1000, 0x7000, true, 0x03},
    };
    for (const auto& c : cases) {
        const Bytes code = fit_test::pattern(c.length, c.reloc);
        const auto r = exe(exe_state(c.reloc, c.reloc, c.clear), code);
        ASSERT_EQ(r.result, 0) << std::hex << c.reloc;
        fit_test::ExeFile file;
        ASSERT_EQ(fit_test::decode_exe(r.output, file), "") << std::hex << c.reloc;
        EXPECT_EQ(file.flag, c.flag) << std::hex << c.reloc << " + " << c.length;
        EXPECT_EQ(file.load, c.reloc);
        EXPECT_EQ(file.code, code);
    }
}

TEST(ExeConv, FileGrowsByWholeUnits) {
    struct Case {
        std::uint16_t reloc;
        std::size_t length, size;
    };
    // 491 + 21 = 512 bytes of records; 48639 bytes is the longest code (96 units).
    const Case cases[] = {{0x1000, 491, 1024}, {0x1000, 492, 1536}, {0x1000, 1003, 1536},
                          {0x1000, 1004, 2048}, {0x0200, 48639, 49664}};
    for (const auto& c : cases) {
        const Bytes code = fit_test::pattern(c.length);
        const auto r = exe(exe_state(c.reloc, 0xBFFF), code);
        ASSERT_EQ(r.result, 0) << c.length;
        EXPECT_EQ(r.output.size(), c.size) << c.length;
        EXPECT_EQ(fit_test::exe_gives_back(r.output, code), "") << c.length;
        fit_test::ExeFile file;
        ASSERT_EQ(fit_test::decode_exe(r.output, file), "");
        EXPECT_EQ(file.entry, 0xBFFF) << "the entry need not lie inside the code";
    }
    // Records ending exactly on the unit boundary: the code's first byte is the last.
    const Bytes code = fit_test::pattern(491);
    EXPECT_EQ(exe(exe_state(0x1000, 0x1000), code).output.back(), code.front());
}

TEST(ExeConv, RangeErrorsInOrderWriteNothing) {
    struct Case {
        std::uint16_t reloc, branch;
        std::size_t length;
        int code;  // 0: accepted
    };
    const Case cases[] = {
        {0x01FF, 0x1000, 1, 7},   {0xC000, 0xC000, 1, 7},    {0x01FF, 0xC000, 1, 7},
        {0x1000, 0xC000, 1, 8},   {0x1000, 0x01FF, 1, 8},    {0x0200, 0x0200, 1, 0},
        {0xBF00, 0xBF00, 255, 0}, {0xBF00, 0xBF00, 256, 9},  {0xBFFF, 0xBFFF, 1, 9},
        {0x0200, 0xC000, 48640, 8}, {0x0200, 0x0200, 48640, 9}, {0x1000, 0x1000, 0xFFFF, 9},
    };
    for (const auto& c : cases) {
        const auto r = exe(exe_state(c.reloc, c.branch), Bytes(c.length, 1));
        const auto what = testing::Message() << std::hex << c.reloc << " " << c.branch << " "
                                              << std::dec << c.length;
        if (c.code == 0) {
            EXPECT_EQ(r.result, 0) << what;
            EXPECT_EQ(r.errors, 0) << what;
            continue;
        }
        EXPECT_EQ(r.result, 1) << what;
        EXPECT_EQ(r.code, c.code) << what;
        EXPECT_EQ(r.errors, 1) << "only the first failure is reported: " << what;
        EXPECT_TRUE(r.untouched) << "out_buffer must stay as it was: " << what;
    }
}

// The parse-back check must refuse a header the loader would misread.
TEST(ExeConv, ParseBackRefusesBrokenHeader) {
    const Bytes code = fit_test::pattern(40);
    const auto r = exe(exe_state(0x1000, 0x1000), code);
    ASSERT_EQ(fit_test::exe_gives_back(r.output, code), "");
    const std::pair<std::size_t, std::uint8_t> changes[] = {
        {514, 0x01},  // reserved
        {518, 41},    // code length against its record
        {522, 0x00},  // flag bit 0 against the load address
        {522, 0x05},  // flag bit 2 against the end address
        {522, 0x09},  // unknown bit
        {523, 0x02},  // version
        {525, 'Y'},   // signature
        {5, 39},      // declared maximum
    };
    for (const auto& [offset, value] : changes) {
        Bytes bad = r.output;
        bad[offset] = value;
        EXPECT_NE(fit_test::exe_gives_back(bad, code), "") << "offset " << offset;
    }
    Bytes other = r.output;
    other[533] ^= 0x01;
    EXPECT_NE(fit_test::exe_gives_back(other, code), "");
}
