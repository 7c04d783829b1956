// Reading containers back: files built by hand and by the writer are read as they were
// laid out, and a file with one byte wrong is refused with the offset of that byte
// wherever the layout tells.
#include <gtest/gtest.h>

#include "media/disk_container.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;

namespace {

// One record of 300 bytes, laid out byte by byte.
Bytes hand_built_file(const Bytes& data) {
    Bytes file(1024, 0x00);
    file[0] = 0xFD;
    file[3] = 0x01;                               // one record
    file[4] = 0x01, file[5] = 0x2C;               // longest 300
    file[14] = 0x01;                              // records from unit 1
    file[15] = 0x01;                              // in one unit
    file[512] = 0x01, file[513] = 0x2C;           // length word
    std::copy(data.begin(), data.end(), file.begin() + 514);
    return file;
}

Bytes written_file(const std::vector<Bytes>& records, std::size_t declared_max) {
    std::size_t size = 0;
    for (const auto& r : records) size += r.size() + 2;
    Bytes file(media::file_size_for(size), 0xEE);
    media::DiskFileWriter writer(file, records.size(), declared_max, size);
    for (const auto& r : records) writer.add_record(r);
    file.resize(writer.finish());
    return file;
}

std::size_t error_offset(const Bytes& file) {
    const auto read = media::read_disk_file(file);
    EXPECT_FALSE(read.ok());
    return read.ok() ? SIZE_MAX : read.error().offset;
}

}  // namespace

TEST(ReadDiskFile, ReadsTheHeaderAndTheRecords) {
    const Bytes data = fit_test::pattern(300);
    const Bytes file = hand_built_file(data);
    const auto read = media::read_disk_file(file);
    ASSERT_TRUE(read.ok()) << media::describe(read.error());
    EXPECT_EQ(read->record_count, 1u);
    EXPECT_EQ(read->max_record_length, 300u);
    EXPECT_EQ(read->units, 1u);
    EXPECT_EQ(read->records_size, 302u);
    ASSERT_EQ(read->records.size(), 1u);
    EXPECT_EQ(read->records[0].offset, 512u);
    EXPECT_EQ(Bytes(read->records[0].data.begin(), read->records[0].data.end()), data);
}

TEST(ReadDiskFile, ReadsEmptyRecordsAndRecordsAcrossUnits) {
    // 19 + 2 + 492 bytes: the last record crosses into unit 2 and ends one byte into it.
    const std::vector<Bytes> records{fit_test::pattern(17, 2), {}, fit_test::pattern(490, 3)};
    const Bytes file = written_file(records, 490);
    ASSERT_EQ(file.size(), 1536u);
    const auto read = media::read_disk_file(file);
    ASSERT_TRUE(read.ok()) << media::describe(read.error());
    EXPECT_EQ(read->units, 2u);
    EXPECT_EQ(read->records_size, 513u);
    ASSERT_EQ(read->records.size(), 3u);
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(Bytes(read->records[i].data.begin(), read->records[i].data.end()), records[i]);
    EXPECT_EQ(read->records[2].offset, 533u);

    // Records that fill their units exactly leave no padding at all.
    const Bytes exact = written_file({Bytes(510, 0xFF)}, 510);
    const auto full = media::read_disk_file(exact);
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full->records[0].data.size(), 510u);
}

TEST(ReadDiskFile, EveryFixedHeaderByteIsCheckedAtItsOffset) {
    const Bytes good = hand_built_file(fit_test::pattern(300));
    for (std::size_t at = 0; at < 512; ++at) {
        if ((at >= 2 && at <= 5) || at == 15) continue;
        Bytes bad = good;
        bad[at] ^= 0x10;
        EXPECT_EQ(error_offset(bad), at) << "header byte " << at;
    }
}

TEST(ReadDiskFile, NbAuMustMatchTheFileAndTheRecords) {
    const Bytes good = hand_built_file(fit_test::pattern(300));
    for (const std::uint8_t units : {0, 2, 255}) {
        Bytes bad = good;
        bad[15] = units;
        const auto read = media::read_disk_file(bad);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().offset, 15u);
        EXPECT_EQ(read.error().expected, "0x01");
    }
    // A unit that the file holds but no record needs.
    Bytes longer = good;
    longer.resize(1536, 0x00);
    longer[15] = 0x02;
    const auto read = media::read_disk_file(longer);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().offset, 15u);
    EXPECT_EQ(media::describe(read.error()),
              "offset 15 (0x000F): NbAu (records of 302 bytes): expected 0x01, found 0x02");
}

TEST(ReadDiskFile, ShortAndLongFilesAreRefusedWhereTheyGoWrong) {
    const Bytes good = hand_built_file(fit_test::pattern(300));
    EXPECT_EQ(error_offset(Bytes(good.begin(), good.begin() + 1023)), 1023u);
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_EQ(error_offset(longer), 1024u);
    EXPECT_EQ(error_offset(Bytes(good.begin(), good.begin() + 100)), 100u);
}

TEST(ReadDiskFile, PaddingMustBeZero) {
    Bytes bad = hand_built_file(fit_test::pattern(300));
    bad[900] = 0x01;
    EXPECT_EQ(error_offset(bad), 900u);
    bad = hand_built_file(fit_test::pattern(300));
    bad[1023] = 0x80;
    EXPECT_EQ(error_offset(bad), 1023u);
}

TEST(ReadDiskFile, AWrongRecordCountIsToldFromAWrongRecord) {
    const Bytes good = written_file({fit_test::pattern(17, 4), fit_test::pattern(300, 5)}, 300);
    ASSERT_TRUE(media::read_disk_file(good).ok());

    Bytes fewer = good;  // 2 -> 1: the second record is left in the padding
    fewer[3] = 0x01;
    auto read = media::read_disk_file(fewer);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().offset, 3u);
    EXPECT_EQ(read.error().expected, "0x0002");
    EXPECT_EQ(read.error().found, "0x0001");

    Bytes many = good;  // 2 -> 0x0102: the walk runs off the end
    many[2] = 0x01;
    EXPECT_EQ(error_offset(many), 2u);

    Bytes past = good;  // the second record's length word now runs past the file
    past[531] = 0x09;
    read = media::read_disk_file(past);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().offset, 531u);
    EXPECT_EQ(read.error().what, "record 2 of 2 (2348 bytes)");
}
