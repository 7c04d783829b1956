#include "media/disk_container.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/disk_parse.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;

namespace {

constexpr std::uint8_t kFiller = 0xA5;

struct Written {
    Bytes buffer;        // the whole output buffer, filler included
    std::size_t length;  // what finish() returned
};

// Writes the records given by their lengths, record i filled with the byte i + 1,
// into a buffer larger than the file.
Written write_records(const std::vector<std::size_t>& lengths, std::size_t max_length,
                      std::size_t declared_count = 0) {
    std::size_t total = 0;
    for (const auto n : lengths) total += 2 + n;
    Written w{Bytes(media::file_size_for(total) + 64, kFiller), 0};
    media::DiskFileWriter disk(w.buffer, declared_count ? declared_count : lengths.size(),
                               max_length, total);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        if (i % 2 == 0) {
            std::ranges::fill(disk.add_record(lengths[i]), static_cast<std::uint8_t>(i + 1));
        } else {
            disk.add_record(Bytes(lengths[i], static_cast<std::uint8_t>(i + 1)));
        }
    }
    w.length = disk.finish();
    return w;
}

std::span<const std::uint8_t> file_of(const Written& w) {
    return std::span(w.buffer).first(w.length);
}

}  // namespace

TEST(DiskContainer, UnitsAreTheFewestThatHoldTheRecords) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 0}, {1, 1}, {19, 1}, {512, 1}, {513, 2}, {1024, 2}, {1025, 3}, {130560, 255}};
    for (const auto& [records, units] : cases) {
        EXPECT_EQ(media::units_for(records), units) << records;
        EXPECT_EQ(media::file_size_for(records), 512 * (units + 1)) << records;
    }
}

TEST(DiskContainer, HeaderIsBigEndianWithFixedBytes) {
    const auto w = write_records({17, 300}, 0x1234, 1612);
    const auto file = file_of(w);
    ASSERT_EQ(w.length, 1024u);
    const Bytes fixed = {0xFD, 0x00, 0x06, 0x4C, 0x12, 0x34, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x01};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 16), fixed);
    EXPECT_TRUE(std::all_of(file.begin() + 16, file.begin() + 512, [](auto b) { return b == 0; }));

    // Record length words are high byte first too: 17 = 00 11, 300 = 01 2C.
    EXPECT_EQ(file[512], 0x00);
    EXPECT_EQ(file[513], 0x11);
    EXPECT_EQ(file[514 + 17], 0x01);
    EXPECT_EQ(file[515 + 17], 0x2C);
}

TEST(DiskContainer, RecordsFillUnitsExactlyOrArePaddedWithZeros) {
    struct Case {
        std::vector<std::size_t> lengths;
        std::size_t units;
    };
    // 510 + 2 = 512 bytes; 511 + 2 = 513; records crossing a unit boundary; an empty
    // record; a record set of 255 units.
    const Case cases[] = {{{510}, 1}, {{511}, 2}, {{100, 600, 0, 7}, 2}, {{65535, 65021}, 255}};
    for (const auto& c : cases) {
        const auto w = write_records(c.lengths, 0xFFFF);
        const auto file = file_of(w);
        ASSERT_EQ(w.length, 512 * (c.units + 1));
        EXPECT_EQ(file[15], c.units);

        fit_test::DiskFile disk;
        ASSERT_EQ(fit_test::parse_disk_file(file, disk), "");
        ASSERT_EQ(disk.records.size(), c.lengths.size());
        for (std::size_t i = 0; i < c.lengths.size(); ++i)
            EXPECT_EQ(disk.records[i], Bytes(c.lengths[i], static_cast<std::uint8_t>(i + 1)));
        // Nothing beyond the file is touched.
        EXPECT_TRUE(std::all_of(w.buffer.begin() + static_cast<std::ptrdiff_t>(w.length),
                                w.buffer.end(), [](auto b) { return b == kFiller; }));
    }
    // 513 bytes of records leave exactly 511 zeros.
    const auto w = write_records({511}, 511);
    EXPECT_EQ(w.buffer[1024], 0x01);  // the record's last byte
    EXPECT_TRUE(std::all_of(w.buffer.begin() + 1025, w.buffer.begin() + 1536,
                            [](auto b) { return b == 0; }));
}

// The parse-back check must refuse a file with any one of its rules broken.
TEST(DiskParse, RefusesEveryBrokenRule) {
    const auto w = write_records({40, 700}, 700);
    const Bytes good(file_of(w).begin(), file_of(w).end());
    fit_test::DiskFile disk;
    ASSERT_EQ(fit_test::parse_disk_file(good, disk), "");

    struct Change {
        std::size_t offset;
        std::uint8_t value;
    };
    const Change changes[] = {
        {0, 0xFC},     // Check
        {1, 0x01},     // Flag
        {2, 0x01},     // 256 records more than the file holds
        {3, 0x01},     // one record fewer: the second one is left as padding
        {9, 0x01},     // Reserved1
        {14, 0x02},    // FirstAu
        {15, 0x03},    // NbAu against the length
        {300, 0x01},   // Reserved2
        {554, 0xFF},   // second length word too long for the file
        {1300, 0x01},  // padding
    };
    for (const auto& c : changes) {
        Bytes bad = good;
        bad[c.offset] = c.value;
        EXPECT_NE(fit_test::parse_disk_file(bad, disk), "") << "offset " << c.offset;
    }
    // Too many units for the records, though the length agrees with NbAu.
    Bytes padded = good;
    padded.resize(good.size() + 512, 0);
    padded[15] = 3;
    EXPECT_NE(fit_test::parse_disk_file(padded, disk), "");
    EXPECT_NE(fit_test::parse_disk_file(Bytes(good.begin(), good.end() - 1), disk), "");
}
