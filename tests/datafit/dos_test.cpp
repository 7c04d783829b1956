#include <gtest/gtest.h>

#include "support/args.hpp"

#include "datafit_run.hpp"
#include "parse_back.hpp"

using datafit_test::parse_record_file;
using datafit_test::run;
using datafit_test::with_sizes;
using fit_test::Bytes;

namespace {

// The lengths of the records, in file order.
std::vector<std::size_t> lengths(const datafit_test::RecordFile& f) {
    std::vector<std::size_t> n;
    for (const auto& r : f.records) n.push_back(r.size());
    return n;
}

std::vector<std::size_t> repeat(std::size_t count, std::size_t n) { return std::vector(count, n); }

std::vector<std::size_t> join(std::vector<std::size_t> a, const std::vector<std::size_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(DOSConv, WholeSourceAsOneRecord) {
    const Bytes source = fit_test::pattern(300);
    const auto r = run(with_sizes(datafit::kDOS, 0, 0), source);
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.output.size(), 1024u);
    Bytes expected(1024, 0x00);
    const Bytes head{0xFD, 0x00, 0x00, 0x01, 0x01, 0x2C, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x01};
    std::copy(head.begin(), head.end(), expected.begin());
    expected[512] = 0x01;
    expected[513] = 0x2C;
    std::copy(source.begin(), source.end(), expected.begin() + 514);
    EXPECT_EQ(r.output, expected);
}

TEST(DOSConv, RecordPlanAndDeclaredMaximum) {
    struct Case {
        std::size_t length;
        long header, record;
        std::vector<std::size_t> records;
        std::size_t maximum;
        std::size_t file_size;
    };
    const Case cases[] = {
        // -H:A -r:64 on 1000 bytes: B = 1022, two units.
        {1000, 10, 100, join({10}, join(repeat(9, 100), {90})), 100, 1536},
        {100, 20, 0, {20, 80}, 80, 1024},
        {300, 128, 64, {128, 64, 64, 44}, 128, 1024},
        {256, 0, 64, repeat(4, 64), 64, 1024},  // a whole multiple: no short record
        {266, 10, 64, join({10}, repeat(4, 64)), 64, 1024},
        {50, 0, 100, {50}, 100, 1024},            // r larger than L still declares r
        {60, 10, 100, {10, 50}, 100, 1024},
        {250, 200, 100, {200, 50}, 200, 1024},
        {40, 40, 16, {40}, 40, 1024},             // header the whole source, with r
        {40, 40, 64, {40}, 64, 1024},
        {40, 40, 0, {40, 0}, 40, 1024},           // ... and without: an empty record
        {510, 0, 0, {510}, 510, 1024},            // B = 512: no fill at all
        {511, 0, 0, {511}, 511, 1536},            // B = 513: a second unit
        {1000, 0, 1, repeat(1000, 1), 1, 3584},   // 1000 records: count 0x03E8
    };
    for (const auto& c : cases) {
        const Bytes source = fit_test::pattern(c.length, static_cast<std::uint32_t>(c.length));
        const auto r = run(with_sizes(datafit::kDOS, c.header, c.record), source);
        const std::string what = std::to_string(c.length) + " H " + std::to_string(c.header) +
                                 " r " + std::to_string(c.record);
        ASSERT_EQ(r.result, 0) << what;
        EXPECT_EQ(r.err, "") << what;
        EXPECT_EQ(r.output.size(), c.file_size) << what;
        const auto f = parse_record_file(r.output);
        ASSERT_EQ(f.error, "") << what;
        EXPECT_EQ(lengths(f), c.records) << what;
        EXPECT_EQ(f.declared_count, c.records.size()) << what;
        EXPECT_EQ(f.declared_maximum, c.maximum) << what;
        EXPECT_EQ(datafit_test::concatenate(f.records), source) << what;
    }
    // Count and maximum are stored high byte first.
    const auto many = run(with_sizes(datafit::kDOS, 0, 1), Bytes(1000, 7));
    EXPECT_EQ(Bytes(many.output.begin() + 2, many.output.begin() + 6),
              (Bytes{0x03, 0xE8, 0x00, 0x01}));
    const auto empty_record = run(with_sizes(datafit::kDOS, 40, 0), Bytes(40, 7));
    EXPECT_EQ(Bytes(empty_record.output.begin() + 512 + 42, empty_record.output.begin() + 512 + 44),
              (Bytes{0x00, 0x00}));
}

TEST(DOSConv, EveryRecordFileParsesBackToTheSource) {
    for (const std::size_t length : {1u, 2u, 15u, 64u, 65u, 511u, 1000u, 4097u, 65535u}) {
        const Bytes source = fit_test::pattern(length, static_cast<std::uint32_t>(length) + 3);
        for (const long header : {0L, 1L, 10L, 64L, 4096L}) {
            for (const long record : {0L, 1L, 7L, 64L, 100L, 0x2000L}) {
                const auto r = run(with_sizes(datafit::kDOS, header, record), source);
                const std::string what = std::to_string(length) + " H " +
                                         std::to_string(header) + " r " + std::to_string(record);
                if (std::size_t(header) > length) {
                    EXPECT_EQ(r.code, datafit::kHeaderSize) << what;
                    continue;
                }
                const std::size_t rest = length - std::size_t(header);
                const std::size_t count = (header != 0 ? 1 : 0) +
                                          (record != 0 ? (rest + record - 1) / record : 1);
                if (length + 2 * count > 130560) {
                    EXPECT_EQ(r.code, datafit::kRecordsTooLong) << what;
                    continue;
                }
                ASSERT_EQ(r.result, 0) << what;
                const auto f = parse_record_file(r.output);
                ASSERT_EQ(f.error, "") << what;
                EXPECT_EQ(datafit_test::concatenate(f.records), source) << what;
                if (header != 0) {
                    EXPECT_EQ(f.records.front().size(), std::size_t(header)) << what;
                }
            }
        }
    }
}

TEST(DOSConv, ZeroSizesAndTheNameChangeNothing) {
    const Bytes source = fit_test::pattern(300);
    const auto plain = run(with_sizes(datafit::kDOS, 0, 0), source).output;
    auto named = with_sizes(datafit::kDOS, 0, 0);
    named.K7Name = {'L', 'V', 'L', '1'};
    EXPECT_EQ(run(named, source).output, plain);
    // Options given as -H:0 and -r:0 are the same as absent ones.
    const auto given = fit_test::parse_with<datafit::State>(
        datafit::ManageArguments, fit::datafit_errors, {"datafit", "s", "t", "-H:0", "-r:0"});
    const auto absent = fit_test::parse_with<datafit::State>(datafit::ManageArguments,
                                                             fit::datafit_errors, {"datafit", "s", "t"});
    ASSERT_EQ(given.result, 0);
    EXPECT_EQ(run(given.state, source).output, run(absent.state, source).output);
    EXPECT_EQ(run(given.state, source).output, plain);
}
