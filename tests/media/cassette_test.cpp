#include "media/cassette.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/cassette_parse.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;

namespace {

constexpr media::K7Name kABCD{'A', 'B', 'C', 'D'};

// One unit written alone at the start of a buffer that is just big enough.
Bytes unit(const media::K7Name& name, int start, const Bytes& data) {
    Bytes out(data.size() + media::kUnitOverhead, 0xA5);
    EXPECT_EQ(media::append_unit(out, 0, name, start, data), out.size());
    return out;
}

// The block of a unit, its leader cut off.
Bytes block_of(const Bytes& u) { return Bytes(u.begin() + 256, u.end()); }

Bytes leader() { return Bytes(media::sync.begin(), media::sync.end()); }

}  // namespace

TEST(Cassette, LeaderIs255TimesHex55ThenHex70) {
    EXPECT_EQ(std::count(media::sync.begin(), media::sync.end() - 1, 0x55), 255);
    EXPECT_EQ(media::sync.back(), 0x70);
}

TEST(Cassette, ExampleUnitWithTheNameReversed) {
    const Bytes u = unit(kABCD, 0xC300, {0x01, 0x02, 0x03});
    Bytes expected = leader();
    expected.insert(expected.end(), {0x44, 0x43, 0x42, 0x41, 0x7A, 0x02, 0xC3, 0x00, 0xC3, 0x01,
                                     0x02, 0x03, 0x06, 0x06});
    EXPECT_EQ(u, expected);
    EXPECT_EQ(u.size(), 270u);

    const Bytes blank = block_of(unit(media::kBlankK7Name, 0xC300, {1}));
    EXPECT_EQ(Bytes(blank.begin(), blank.begin() + 4), (Bytes{0x20, 0x20, 0x20, 0x20}));
    // -n:AB leaves the last two positions blank, and they come first.
    const Bytes ab = block_of(unit({'A', 'B', ' ', ' '}, 0xC300, {1}));
    EXPECT_EQ(Bytes(ab.begin(), ab.begin() + 4), (Bytes{0x20, 0x20, 0x42, 0x41}));
}

TEST(Cassette, ChecksumWrapsAndCoversOnlyTheData) {
    const Bytes wrapped = block_of(unit(kABCD, 0x1234, {0xFF, 0x02}));
    EXPECT_EQ(Bytes(wrapped.end() - 2, wrapped.end()), (Bytes{0x01, 0x01}));
    EXPECT_EQ(media::checksum(Bytes(256, 0x01)), 0x00);
    EXPECT_EQ(media::checksum(Bytes{0x80, 0x80, 0x7F}), 0x7F);
    // Every length around the 16-byte steps, and a long block, as the plain sum.
    for (std::size_t n = 0; n <= 70; ++n) {
        const Bytes data = fit_test::pattern(n, static_cast<std::uint32_t>(n) + 1);
        unsigned sum = 0;
        for (const auto b : data) sum += b;
        EXPECT_EQ(media::checksum(data), sum & 0xFF) << n;
    }
    const Bytes ones(65536 + 15, 0xFF);
    EXPECT_EQ(media::checksum(ones), (65551u * 0xFF) & 0xFF);
    // Neither the name nor the addresses change the sum.
    const Bytes other = block_of(unit({'W', 'X', 'Y', 'Z'}, 0xFEDC, {0xFF, 0x02}));
    EXPECT_EQ(Bytes(other.end() - 2, other.end()), (Bytes{0x01, 0x01}));
}

TEST(Cassette, EndFieldIsTheAddressOfTheLastByte) {
    const Bytes b300 = block_of(unit(kABCD, 0, fit_test::pattern(300)));
    EXPECT_EQ(Bytes(b300.begin() + 5, b300.begin() + 9), (Bytes{0x2B, 0x01, 0x00, 0x00}));

    // The empty block at 0: end field 0xFF 0x00, checksum 0, 11 bytes after the leader.
    const Bytes empty = unit(kABCD, 0, {});
    EXPECT_EQ(block_of(empty),
              (Bytes{0x44, 0x43, 0x42, 0x41, 0x7A, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00}));

    const Bytes one = block_of(unit(kABCD, 0xBFFE, {7}));
    EXPECT_EQ(Bytes(one.begin() + 5, one.begin() + 9), (Bytes{0xFE, 0xBF, 0xFE, 0xBF}));
}

TEST(Cassette, ConsecutiveBlocksAreSeparatedByOneLeaderAndSummedApart) {
    const Bytes first{0xF0, 0x0F, 0x11};
    const Bytes second{0x22, 0x33};
    Bytes out(2 * media::kUnitOverhead + first.size() + second.size() + 4, 0xA5);
    std::size_t p = media::append_unit(out, 0, kABCD, 0, first);
    ASSERT_EQ(p, 270u);
    p = media::append_unit(out, p, kABCD, 0, second);
    ASSERT_EQ(p, 270u + 269u);
    EXPECT_EQ(Bytes(out.begin() + 270, out.begin() + 270 + 256), leader());
    EXPECT_EQ(Bytes(out.begin() + 526, out.begin() + 539),
              (Bytes{0x44, 0x43, 0x42, 0x41, 0x7A, 0x01, 0x00, 0x00, 0x00, 0x22, 0x33, 0x55,
                     0x55}));
    EXPECT_TRUE(std::all_of(out.begin() + 539, out.end(), [](auto b) { return b == 0xA5; }))
        << "nothing is written past the returned position";
}

TEST(Cassette, ConstantBlockIsStoredWholeWithTheNameFilledIn) {
    // A stored block with a placeholder name; its checksum must survive the name.
    const Bytes stored{0, 0, 0, 0, 0x7A, 0x01, 0x10, 0x00, 0x10, 0x05, 0x06, 0x0B, 0x0B};
    Bytes out(8 + 256 + stored.size(), 0xA5);
    const std::size_t p = media::append_constant_block(out, 8, kABCD, stored);
    EXPECT_EQ(p, out.size());
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 8, [](auto b) { return b == 0xA5; }));
    EXPECT_EQ(Bytes(out.begin() + 8, out.begin() + 264), leader());
    Bytes expected = stored;
    std::copy_n(Bytes{0x44, 0x43, 0x42, 0x41}.begin(), 4, expected.begin());
    EXPECT_EQ(Bytes(out.begin() + 264, out.end()), expected);
}

TEST(CassetteParse, ReadsBackWhatTheWritersWrote) {
    const Bytes code = fit_test::pattern(300, 7);
    const Bytes stored{0, 0, 0, 0, 0x7A, 0x01, 0x10, 0x00, 0x10, 0x05, 0x06, 0x0B, 0x0B};
    Bytes image(4 * media::kLeaderSize + stored.size() + 3 * media::kBlockOverhead + 256 +
                code.size());
    std::size_t p = media::append_constant_block(image, 0, kABCD, stored);
    p = media::append_unit(image, p, kABCD, 0, {});                    // empty at 0
    p = media::append_unit(image, p, kABCD, 0, Bytes(256, 0x00));      // same end field
    p = media::append_unit(image, p, kABCD, 0xC300, code);
    ASSERT_EQ(p, image.size());

    const auto parsed = fit_test::parse_cassette(image);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    ASSERT_EQ(parsed.blocks.size(), 4u);
    EXPECT_EQ(parsed.blocks[0].data, (Bytes{0x05, 0x06}));
    EXPECT_EQ(parsed.blocks[0].start, 0x1000);
    EXPECT_TRUE(parsed.blocks[1].data.empty());
    EXPECT_EQ(parsed.blocks[1].end, 0x00FF);
    EXPECT_EQ(parsed.blocks[2].data, Bytes(256, 0x00));
    EXPECT_EQ(parsed.blocks[2].end, 0x00FF);
    EXPECT_EQ(parsed.blocks[3].data, code);
    EXPECT_EQ(parsed.blocks[3].start, 0xC300);
    EXPECT_EQ(parsed.blocks[3].offset, image.size() - code.size() - 11);
    for (const auto& b : parsed.blocks) EXPECT_EQ(b.name, kABCD);
}

TEST(CassetteParse, RejectsEveryMalformedUnit) {
    const Bytes good = unit(kABCD, 0xC300, {0x01, 0x02, 0x03});
    ASSERT_TRUE(fit_test::parse_cassette(good).ok());
    struct Case {
        const char* what;
        std::size_t at;
        int delta;
    };
    const Case flips[] = {
        {"leader byte", 10, 1}, {"last leader byte", 255, 1}, {"marker", 260, 1},
        {"end field", 261, 1},  {"start field", 263, -1},     {"data byte", 265, 1},
        {"first checksum", 268, 1}, {"second checksum", 269, 1},
    };
    for (const auto& c : flips) {
        Bytes bad = good;
        bad[c.at] = static_cast<std::uint8_t>(bad[c.at] + c.delta);
        EXPECT_FALSE(fit_test::parse_cassette(bad).ok()) << c.what;
    }
    EXPECT_FALSE(fit_test::parse_cassette(Bytes(good.begin(), good.end() - 1)).ok());
    Bytes trailing = good;
    trailing.push_back(0x55);
    EXPECT_FALSE(fit_test::parse_cassette(trailing).ok());
    Bytes doubled = good;
    doubled.insert(doubled.end(), good.begin(), good.begin() + 256);  // a leader alone
    const auto cut = fit_test::parse_cassette(doubled);
    EXPECT_FALSE(cut.ok());
    EXPECT_EQ(cut.blocks.size(), 1u) << "the blocks before the fault are kept";
}
