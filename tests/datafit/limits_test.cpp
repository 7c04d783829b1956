// What the disk and cassette targets refuse, before anything is written, and the
// largest they still accept.
#include <gtest/gtest.h>

#include <climits>

#include "datafit_run.hpp"
#include "parse_back.hpp"

using datafit_test::run;
using fit_test::Bytes;

namespace {

struct Limit {
    int type;
    std::size_t length;
    datafit::SizeOption header, record;
    int code;  // 0: accepted
};

constexpr datafit::SizeOption size(long v) { return {v, false}; }
constexpr datafit::SizeOption kTooLarge{LONG_MAX, true};
constexpr datafit::SizeOption kTooSmall{LONG_MIN, true};

std::string describe(const Limit& c) {
    return (c.type == datafit::kDOS ? "DOS " : "K7 ") + std::to_string(c.length) + " H " +
           std::to_string(c.header.value) + " r " + std::to_string(c.record.value);
}

void check(const Limit& c) {
    datafit::State state;
    state.type_number = c.type;
    state.headerSize = c.header;
    state.recordSize = c.record;
    const Bytes source = fit_test::pattern(c.length, static_cast<std::uint32_t>(c.length));
    const auto r = run(state, source);
    if (c.code == 0) {
        ASSERT_EQ(r.result, 0) << describe(c) << r.err;
        const Bytes back =
            c.type == datafit::kDOS
                ? datafit_test::concatenate(datafit_test::parse_record_file(r.output).records)
                : datafit_test::concatenate(datafit_test::parse_cassette(r.output).blocks);
        EXPECT_EQ(back, source) << describe(c);
        return;
    }
    EXPECT_EQ(r.result, 1) << describe(c);
    EXPECT_EQ(r.code, c.code) << describe(c);
    EXPECT_EQ(r.errors, 1) << describe(c) << ": only the first failure is reported";
    EXPECT_TRUE(r.untouched) << describe(c) << ": nothing may be written";
}

}  // namespace

TEST(Limits, SizesThatAreNoIntOrNegativeOrAHeaderLongerThanTheSource) {
    for (const int type : {datafit::kDOS, datafit::kK7}) {
        const Limit cases[] = {
            {type, 100, size(-1), size(0), 7},
            {type, 100, size(0x80000000L), size(0), 7},
            {type, 100, size(0x100000000L), size(0), 7},  // never wrapped to 0
            {type, 100, kTooLarge, size(0), 7},
            {type, 100, kTooSmall, size(0), 7},
            {type, 100, size(101), size(0), 7},
            {type, 100, size(100), size(0), 0},
            {type, 100, size(0), size(-1), 8},
            {type, 100, size(0), size(0x100000000L), 8},
            {type, 100, size(0), kTooLarge, 8},
            {type, 100, size(10), size(-0x40), 8},
            // Both sizes are checked before the header is held against the source.
            {type, 100, size(-1), size(-1), 7},
            {type, 100, size(101), size(-1), 8},
            {type, 100, size(101), size(INT_MAX), 7},
        };
        for (const auto& c : cases) check(c);
    }
}

TEST(Limits, DiskFileRecordLengthAndTotal) {
    using datafit::kDOS;
    const Limit cases[] = {
        {kDOS, 65535, size(0), size(0), 0},  // 65535 data bytes, 129 units
        {kDOS, 65536, size(0), size(0), 10},
        {kDOS, 10, size(0), size(0xFFFF), 0},
        {kDOS, 10, size(0), size(0x10000), 10},  // declared even though no record is that long
        {kDOS, 0x10000, size(0x10000), size(1), 10},
        {kDOS, 70000, size(0x10000), size(0), 10},
        {kDOS, 200000, size(0), size(0), 10},  // 10 before 11
        {kDOS, 130556, size(0), size(0xFFFF), 0},  // B = 130560: 255 units
        {kDOS, 130557, size(0), size(0xFFFF), 11},
        {kDOS, 43520, size(0), size(1), 0},
        {kDOS, 43521, size(0), size(1), 11},
        {kDOS, 640000, size(0), size(0x8000), 11},
    };
    for (const auto& c : cases) check(c);

    const auto full = run(datafit_test::with_sizes(kDOS, 0, 0xFFFF), Bytes(130556, 0));
    EXPECT_EQ(full.output.size(), 131072u);
    EXPECT_EQ(full.output[15], 255);
}

TEST(Limits, CassetteBlockLengthAndImageSize) {
    using datafit::kK7;
    const Limit cases[] = {
        {kK7, 65536, size(0), size(0), 0},
        {kK7, 65537, size(0), size(0), 12},
        {kK7, 70000, size(0x10001), size(0), 12},
        {kK7, 70000, size(0), size(0x10001), 12},
        {kK7, 70000, size(0x10000), size(0x10000), 0},
        {kK7, 1000, size(0), size(0x20000), 0},  // only blocks actually written count
        {kK7, 2388, size(0), size(1), 0},        // 639984 bytes of image
        {kK7, 2389, size(0), size(1), 13},
        {kK7, 637330, size(0), size(0x10000), 0},  // exactly 640000 bytes
        {kK7, 637331, size(0), size(0x10000), 13},
        {kK7, 70000, size(0x10001), size(1), 12},  // 12 before 13
    };
    for (const auto& c : cases) check(c);

    // The longest block states its end as 0xFFFF.
    const auto longest = run(datafit_test::with_sizes(kK7, 0, 0), Bytes(65536, 0));
    EXPECT_EQ(Bytes(longest.output.begin() + 261, longest.output.begin() + 265),
              (Bytes{0xFF, 0xFF, 0x00, 0x00}));
}
