#include <gtest/gtest.h>

#include "support/args.hpp"

#include "datafit_run.hpp"
#include "parse_back.hpp"

using datafit_test::parse_cassette;
using datafit_test::run;
using datafit_test::with_sizes;
using fit_test::Bytes;

namespace {

Bytes leader() {
    Bytes b(255, 0x55);
    b.push_back(0x70);
    return b;
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::size_t> lengths(const datafit_test::Cassette& c) {
    std::vector<std::size_t> n;
    for (const auto& b : c.blocks) n.push_back(b.data.size());
    return n;
}

}  // namespace

TEST(K7Conv, OneBlockAtZeroWithTheNameReversed) {
    const Bytes source{0x01, 0x02, 0x03};
    auto r = run(with_sizes(datafit::kK7, 0, 0), source);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, cat(leader(), {0x20, 0x20, 0x20, 0x20, 0x7A, 0x02, 0x00, 0x00, 0x00, 0x01,
                                       0x02, 0x03, 0x06, 0x06}));

    auto named = with_sizes(datafit::kK7, 0, 0);
    named.K7Name = {'A', 'B', 'C', 'D'};
    r = run(named, source);
    ASSERT_EQ(r.output.size(), 270u);
    EXPECT_EQ(Bytes(r.output.begin() + 256, r.output.begin() + 260),
              (Bytes{0x44, 0x43, 0x42, 0x41}));
}

TEST(K7Conv, BlockPlanFieldsAndLength) {
    struct Case {
        std::size_t length;
        long header, record;
        std::vector<std::size_t> blocks;
    };
    const Case cases[] = {
        {1000, 10, 100, {10, 100, 100, 100, 100, 100, 100, 100, 100, 100, 90}},
        {300, 128, 64, {128, 64, 64, 44}},
        {256, 0, 64, {64, 64, 64, 64}},  // a whole multiple: no short last block
        {50, 0, 100, {50}},
        {60, 10, 100, {10, 50}},
        {300, 0, 0, {300}},
        {40, 40, 16, {40}},    // header the whole source, with r: the header block only
        {40, 40, 0, {40, 0}},  // ... and without: an empty last block
    };
    for (const auto& c : cases) {
        const Bytes source = fit_test::pattern(c.length, static_cast<std::uint32_t>(c.length));
        auto state = with_sizes(datafit::kK7, c.header, c.record);
        state.K7Name = {'L', 'V', 'L', '1'};
        const auto r = run(state, source);
        const std::string what = std::to_string(c.length) + " H " + std::to_string(c.header) +
                                 " r " + std::to_string(c.record);
        ASSERT_EQ(r.result, 0) << what;
        EXPECT_EQ(r.output.size(), c.length + 267 * c.blocks.size()) << what;
        const auto k7 = parse_cassette(r.output);
        ASSERT_EQ(k7.error, "") << what;
        EXPECT_EQ(lengths(k7), c.blocks) << what;
        EXPECT_EQ(datafit_test::concatenate(k7.blocks), source) << what;
        for (const auto& block : k7.blocks) {
            EXPECT_EQ(block.start, 0) << what;
            EXPECT_EQ(block.name, (std::array<std::uint8_t, 4>{'1', 'L', 'V', 'L'})) << what;
        }
    }

    // The end fields of -H:A -r:64 on 1000 bytes: 0x0009, 0x0063 nine times, 0x0059.
    const auto r = run(with_sizes(datafit::kK7, 10, 100), Bytes(1000, 1));
    ASSERT_EQ(r.output.size(), 3937u);
    std::size_t p = 256;
    for (const std::size_t n : {10, 100, 100, 100, 100, 100, 100, 100, 100, 100, 90}) {
        EXPECT_EQ(Bytes(r.output.begin() + p + 5, r.output.begin() + p + 9),
                  (Bytes{static_cast<std::uint8_t>(n - 1), 0x00, 0x00, 0x00}));
        p += n + 267;
    }
}

TEST(K7Conv, EmptyLastBlockAndChecksumsPerBlock) {
    // The header block sums to 0x30; the next block holds 0x01 only, so its checksum is
    // 0x01, not a sum carried over from the header block.
    auto r = run(with_sizes(datafit::kK7, 2, 0), {0x10, 0x20, 0x01});
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.output.size(), 3 + 2 * 267u);
    EXPECT_EQ(Bytes(r.output.begin() + 265, r.output.begin() + 269),
              (Bytes{0x10, 0x20, 0x30, 0x30}));
    EXPECT_EQ(Bytes(r.output.end() - 3, r.output.end()), (Bytes{0x01, 0x01, 0x01}));

    // Header as long as the source, no -r: an empty block of 11 bytes after its leader.
    r = run(with_sizes(datafit::kK7, 3, 0), {0xFF, 0x02, 0x03});
    ASSERT_EQ(r.result, 0);
    const Bytes first = cat(leader(), {0x20, 0x20, 0x20, 0x20, 0x7A, 0x02, 0x00, 0x00, 0x00, 0xFF,
                                       0x02, 0x03, 0x04, 0x04});
    EXPECT_EQ(r.output, cat(cat(first, leader()), {0x20, 0x20, 0x20, 0x20, 0x7A, 0xFF, 0x00, 0x00,
                                                  0x00, 0x00, 0x00}));
}

TEST(K7Conv, EveryImageConcatenatesBackToTheSource) {
    for (const std::size_t length : {1u, 2u, 16u, 255u, 256u, 257u, 1000u, 2388u}) {
        const Bytes source = fit_test::pattern(length, static_cast<std::uint32_t>(length) + 9);
        for (const long header : {0L, 1L, 10L, 256L}) {
            for (const long record : {0L, 1L, 3L, 255L, 256L, 0x1000L}) {
                const auto r = run(with_sizes(datafit::kK7, header, record), source);
                const std::string what = std::to_string(length) + " H " +
                                         std::to_string(header) + " r " + std::to_string(record);
                if (std::size_t(header) > length) {
                    EXPECT_EQ(r.code, datafit::kHeaderSize) << what;
                    continue;
                }
                ASSERT_EQ(r.result, 0) << what;
                const auto k7 = parse_cassette(r.output);
                ASSERT_EQ(k7.error, "") << what;
                EXPECT_EQ(datafit_test::concatenate(k7.blocks), source) << what;
            }
        }
    }
}

TEST(K7Conv, ZeroSizesAreTheSameAsNone) {
    const Bytes source = fit_test::pattern(700);
    const auto zeros = fit_test::parse_with<datafit::State>(
        datafit::ManageArguments, fit::datafit_errors, {"datafit", "s", "t", "-t:K7", "-H:0", "-r:0"});
    ASSERT_EQ(zeros.result, 0);
    const auto plain = run(with_sizes(datafit::kK7, 0, 0), source);
    EXPECT_EQ(run(zeros.state, source).output, plain.output);
    EXPECT_EQ(plain.output.size(), 967u);
}
