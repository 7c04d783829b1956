#include <gtest/gtest.h>

#include <cstdio>

#include "datafit_run.hpp"

using datafit_test::run;
using datafit_test::with_sizes;
using fit_test::Bytes;

namespace {

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// The listing built the plain way, one column count and one printf per byte.
std::string listing(const Bytes& source) {
    std::string out;
    int column = 17;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (column > 16) {
            out += "\r\n\t.byte ";
            column = 1;
        }
        char item[4];
        std::snprintf(item, sizeof item, "$%02X", static_cast<unsigned>(source[i]));
        out += item;
        if (i + 1 != source.size() && column <= 15) out += ",";
        ++column;
    }
    return out + "\r\n";
}

Bytes counting(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i);
    return b;
}

}  // namespace

TEST(TASMConv, LinesOfSixteenItems) {
    auto r = run(with_sizes(datafit::kTASM, 0, 0), {0x00});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(text(r.output), "\r\n\t.byte $00\r\n");

    r = run(with_sizes(datafit::kTASM, 0, 0), counting(16));
    EXPECT_EQ(text(r.output),
              "\r\n\t.byte $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,$0C,$0D,$0E,$0F\r\n");

    r = run(with_sizes(datafit::kTASM, 0, 0), counting(17));
    EXPECT_EQ(text(r.output),
              "\r\n\t.byte $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,$0C,$0D,$0E,$0F"
              "\r\n\t.byte $10\r\n");
    EXPECT_EQ(r.output.size(), 86u);

    r = run(with_sizes(datafit::kTASM, 0, 0), {0x80, 0xAB, 0xFF, 0x7F});
    EXPECT_EQ(text(r.output), "\r\n\t.byte $80,$AB,$FF,$7F\r\n");
}

TEST(TASMConv, EveryByteValueAndLengthAsThePlainListing) {
    for (const std::size_t n : {1u, 15u, 16u, 17u, 31u, 32u, 33u, 256u, 1000u}) {
        const Bytes source =
            n == 256 ? counting(256) : fit_test::pattern(n, static_cast<std::uint32_t>(n));
        const auto r = run(with_sizes(datafit::kTASM, 0, 0), source);
        ASSERT_EQ(r.result, 0) << n;
        EXPECT_EQ(text(r.output), listing(source)) << n;
        EXPECT_EQ(r.output.size(), datafit::listing_length(n)) << n;
    }
}

TEST(TASMConv, SizesAreIgnoredEvenWhenInvalid) {
    const Bytes source = fit_test::pattern(40);
    const auto plain = run(with_sizes(datafit::kTASM, 0, 0), source);
    for (const auto& [header, record] : {std::pair{0x10L, 0x8L}, std::pair{100L, 0L},
                                         std::pair{-1L, -1L}, std::pair{0L, 0x100000000L}}) {
        const auto r = run(with_sizes(datafit::kTASM, header, record), source);
        EXPECT_EQ(r.result, 0) << header;
        EXPECT_EQ(r.err, "") << header;
        EXPECT_EQ(r.output, plain.output) << header;
    }
}

TEST(TASMConv, ListsTheLargestSourceWhole) {
    EXPECT_EQ(datafit::capacities(datafit::kTASM).out, 2880002u);
    const Bytes source = fit_test::pattern(datafit::kInCapacity);
    const auto r = run(with_sizes(datafit::kTASM, 0, 0), source);
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.output.size(), 2880002u);
    EXPECT_EQ(text(r.output), listing(source));
}
