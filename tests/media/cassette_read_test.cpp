// Reading cassette images back: units built by hand and by the writer are read as
// they were laid out, and an image with one byte wrong is refused at that byte, or at
// the checksum where only the sum can tell.
#include <gtest/gtest.h>

#include "media/cassette.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;

namespace {

constexpr media::K7Name kAbcd{'A', 'B', 'C', 'D'};

Bytes image_of(const std::vector<std::pair<int, Bytes>>& blocks, const media::K7Name& name = kAbcd) {
    std::size_t size = 0;
    for (const auto& b : blocks) size += b.second.size() + media::kUnitOverhead;
    Bytes image(size);
    std::size_t p = 0;
    for (const auto& [start, data] : blocks) p = media::append_unit(image, p, name, start, data);
    return image;
}

std::size_t error_offset(const Bytes& image) {
    const auto read = media::read_cassette(image);
    EXPECT_FALSE(read.ok());
    return read.ok() ? SIZE_MAX : read.error().offset;
}

Bytes data_of(const media::BlockView& b) { return Bytes(b.data.begin(), b.data.end()); }

}  // namespace

TEST(ReadCassette, ReadsAHandBuiltUnit) {
    Bytes image(255, 0x55);
    for (const int b : {0x70, 0x44, 0x43, 0x42, 0x41, 0x7A, 0x02, 0xC3, 0x00, 0xC3, 0x01, 0x02,
                        0x03, 0x06, 0x06})
        image.push_back(static_cast<std::uint8_t>(b));
    const auto read = media::read_cassette(image);
    ASSERT_TRUE(read.ok()) << media::describe(read.error());
    ASSERT_EQ(read->size(), 1u);
    const auto& block = read->front();
    EXPECT_EQ(block.offset, 0u);
    EXPECT_EQ(block.name, kAbcd);
    EXPECT_EQ(block.start, 0xC300);
    EXPECT_EQ(block.end, 0xC302);
    EXPECT_EQ(data_of(block), (Bytes{1, 2, 3}));
    EXPECT_EQ(block.sum, 6);
}

TEST(ReadCassette, EndFieldFollowsTheWriterRule) {
    EXPECT_EQ(media::end_field(0, 0), 0x00FF);
    EXPECT_EQ(media::end_field(0, 300), 0x012B);
    EXPECT_EQ(media::end_field(0xC300, 3), 0xC302);
    EXPECT_EQ(media::end_field(0, 65536), 0xFFFF);
}

TEST(ReadCassette, TellsAnEmptyBlockFromOneOf256BytesWithTheSameEndField) {
    // Both carry the end field 0x00FF at start 0; in either order, and either last.
    const Bytes full = fit_test::pattern(256, 7);
    for (const bool empty_first : {true, false}) {
        const Bytes image = empty_first ? image_of({{0, {}}, {0, full}}) : image_of({{0, full}, {0, {}}});
        const auto read = media::read_cassette(image);
        ASSERT_TRUE(read.ok()) << media::describe(read.error());
        ASSERT_EQ(read->size(), 2u);
        const auto& empty = (*read)[empty_first ? 0 : 1];
        const auto& other = (*read)[empty_first ? 1 : 0];
        EXPECT_EQ(empty.end, 0x00FF);
        EXPECT_TRUE(empty.data.empty());
        EXPECT_EQ(data_of(other), full);
        EXPECT_EQ(other.offset, empty_first ? 267u : 0u);
    }
    // Data that opens with two zero bytes still reads as 256 bytes.
    Bytes zeros_first = full;
    zeros_first[0] = zeros_first[1] = 0;
    const Bytes image = image_of({{0, zeros_first}});
    const auto read = media::read_cassette(image);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(data_of(read->front()), zeros_first);
}

TEST(ReadCassette, ReadsSeveralUnitsEachWithItsOwnChecksum) {
    const std::vector<std::pair<int, Bytes>> blocks{
        {0, fit_test::pattern(300, 1)}, {0, {0xFF, 0x02}}, {0xC300, fit_test::pattern(1279, 2)}};
    const Bytes image = image_of(blocks, {'G', 'A', 'M', 'E'});
    const auto read = media::read_cassette(image);
    ASSERT_TRUE(read.ok()) << media::describe(read.error());
    ASSERT_EQ(read->size(), 3u);
    std::size_t at = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto& b = (*read)[i];
        EXPECT_EQ(b.offset, at);
        EXPECT_EQ(b.start, blocks[i].first);
        EXPECT_EQ(data_of(b), blocks[i].second);
        EXPECT_EQ(b.name, (media::K7Name{'G', 'A', 'M', 'E'}));
        at += blocks[i].second.size() + media::kUnitOverhead;
    }
    EXPECT_EQ((*read)[1].sum, 0x01);
}

TEST(ReadCassette, LeaderMarkerAndChecksumBytesAreCheckedAtTheirOffsets) {
    const Bytes good = image_of({{0, fit_test::pattern(40, 3)}, {0, fit_test::pattern(20, 4)}});
    const std::size_t second = 40 + media::kUnitOverhead;
    for (const std::size_t unit : {std::size_t{0}, second}) {
        for (std::size_t k = 0; k < media::kLeaderSize; ++k) {
            Bytes bad = good;
            bad[unit + k] ^= 0x01;
            EXPECT_EQ(error_offset(bad), unit + k) << "leader byte " << k;
        }
        Bytes bad = good;
        bad[unit + 256 + 4] = 0x7B;
        EXPECT_EQ(error_offset(bad), unit + 260);
    }
    const std::size_t sums = 256 + 9 + 40;
    for (const std::size_t at : {sums, sums + 1}) {
        Bytes bad = good;
        bad[at] ^= 0x40;
        EXPECT_EQ(error_offset(bad), at);
    }
    // A data byte: only the sum can tell, so the first checksum byte is named.
    Bytes bad = good;
    bad[256 + 9 + 17] ^= 0x04;
    const auto read = media::read_cassette(bad);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().offset, sums);
    EXPECT_EQ(read.error().what, "checksum of block 1 (sum of its 40 bytes)");
}

TEST(ReadCassette, AWrongAddressFieldIsNamedWhenTheLeadersTellTheLength) {
    const Bytes good = image_of({{0, fit_test::pattern(300, 5)}, {0xC300, fit_test::pattern(30, 6)}});
    for (const std::size_t block : {std::size_t{256}, 300 + media::kUnitOverhead + 256}) {
        for (const std::size_t field : {5u, 6u}) {
            Bytes bad = good;
            bad[block + field] ^= 0x02;
            const auto read = media::read_cassette(bad);
            ASSERT_FALSE(read.ok());
            EXPECT_EQ(read.error().offset, block + field);
        }
        for (const std::size_t field : {7u, 8u}) {
            Bytes bad = good;
            bad[block + field] ^= 0x02;
            const std::size_t at = error_offset(bad);
            if (block == 256 || field == 7) {
                EXPECT_EQ(at, block + field) << "block at " << block;
            } else {
                // 0xC100 to 0xC31D or 0xC300 to 0xC11D: either high byte may be the
                // wrong one.
                EXPECT_TRUE(at == block + 6 || at == block + 8) << at;
            }
        }
    }
    Bytes start = good;
    start[256 + 7] = 0x10;
    EXPECT_EQ(media::describe(media::read_cassette(start).error()),
              "offset 263 (0x0107): start address of block 1 (end 0x012B, 300 bytes): "
              "expected 0x0000, found 0x0010");
    Bytes bad = good;
    bad[256 + 5] = 0x2C;  // 301 bytes claimed
    const auto read = media::read_cassette(bad);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(media::describe(read.error()),
              "offset 261 (0x0105): end address of block 1 (start 0x0000, 300 bytes): "
              "expected 0x012B, found 0x012C");
}

TEST(ReadCassette, CutAndLengthenedImagesAreRefused) {
    const Bytes good = image_of({{0x8000, fit_test::pattern(50, 8)}});
    for (const std::size_t size : {std::size_t{1}, std::size_t{255}, std::size_t{262},
                                   good.size() - 1}) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(error_offset(cut), size) << size;
    }
    Bytes longer = good;
    longer.push_back(0x55);
    EXPECT_EQ(error_offset(longer), good.size() + 1);
    longer.back() = 0x00;
    EXPECT_EQ(error_offset(longer), good.size());
    EXPECT_EQ(error_offset({}), 0u);
}
