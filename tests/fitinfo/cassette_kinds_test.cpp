// Code and data cassette images: the loader blocks, the code windows and limits, the
// one name of every block and the cut of the data blocks.
#include <gtest/gtest.h>

#include "media/code_cassette.hpp"
#include "hand_built.hpp"

using fit_test::broken_at;
using fit_test::Bytes;
using fit_test::inspect;
using fit_test::joined;
using fit_test::unit;
using fitinfo::Verdict;

namespace {

// A stored loader block behind its leader, named.
Bytes loader_unit(std::span<const std::uint8_t> stored, std::string_view name) {
    Bytes out(255, 0x55);
    out.push_back(0x70);
    out.insert(out.end(), stored.begin(), stored.end());
    for (std::size_t k = 0; k < 4; ++k) out[256 + k] = static_cast<std::uint8_t>(name[3 - k]);
    return out;
}

Bytes with_loader(int kind, unsigned start, const Bytes& code, std::string_view name = "GAME") {
    return kind == 1 ? joined({loader_unit(media::loader1, name), loader_unit(media::loader1b, name),
                               unit(name, start, code)})
                     : joined({loader_unit(media::loader2, name), loader_unit(media::loader2b, name),
                               unit(name, start, code)});
}

}  // namespace

TEST(CodeCassette, ReadsTheCodeBlockAloneOrAfterEitherLoader) {
    const Bytes code = fit_test::pattern(300, 1);
    const auto alone = inspect(unit("ABCD", 0xC300, code));
    ASSERT_EQ(alone.verdict, Verdict::valid) << media::describe(*alone.error);
    EXPECT_EQ(alone.kind, "code cassette image");
    EXPECT_EQ(alone.finding->payload, code);
    for (const int kind : {1, 2}) {
        const auto inspection = inspect(with_loader(kind, 0x8000, code));
        ASSERT_EQ(inspection.verdict, Verdict::valid) << media::describe(*inspection.error);
        EXPECT_EQ(inspection.kind, "code cassette image with BASIC loader " + std::to_string(kind));
        EXPECT_EQ(inspection.finding->payload, code);
    }
}

TEST(CodeCassette, TheCodeMustLieInAWindowAndEndBelowItsLimit) {
    EXPECT_EQ(inspect(unit("    ", 0xC300, Bytes(1279, 1))).verdict, Verdict::valid);
    EXPECT_EQ(inspect(with_loader(1, 0xC300, Bytes(1278, 1))).verdict, Verdict::valid);
    EXPECT_EQ(inspect(with_loader(2, 0xC300, Bytes(1274, 1))).verdict, Verdict::valid);
    EXPECT_EQ(inspect(unit("    ", 0x8000, Bytes(16383, 1))).verdict, Verdict::valid);
    // Fault at the code block's end field: offset 256 + 5, or that after the loaders.
    EXPECT_EQ(broken_at(unit("    ", 0xC300, Bytes(1280, 1))), 261u);
    EXPECT_EQ(broken_at(with_loader(1, 0xC300, Bytes(1279, 1))), 902u + 5);
    EXPECT_EQ(broken_at(with_loader(2, 0xC300, Bytes(1275, 1))), 1354u + 5);
    EXPECT_EQ(broken_at(unit("    ", 0x8000, Bytes(16384, 1))), 261u);
    for (const unsigned start : {0x7FFFu, 0xC000u, 0xC2FFu, 0xC800u})
        EXPECT_EQ(broken_at(with_loader(1, start, Bytes(10, 1))), 902u + 7) << start;
}

TEST(CodeCassette, LoaderBlocksAndNamesAreCheckedByteForByte) {
    const Bytes good = with_loader(2, 0x8000, fit_test::pattern(40, 2));
    // One changed byte shows in the checksum, or, for a name byte, by the name.
    for (const std::size_t at : {256u + 9 + 3, 285u + 256 + 9 + 100, 285u + 2, 1354u + 1}) {
        Bytes bad = good;
        bad[at] ^= 0x01;
        const std::size_t sums = at < 285 ? 256 + 9 + 18 : 285 + 256 + 9 + 546;
        const std::size_t found = broken_at(bad);
        EXPECT_TRUE(found == at || found == sums) << at << " found at " << found;
    }
    // Two changes that keep the sum: only the stored block can tell.
    for (const std::size_t block : {256u, 285u + 256}) {
        Bytes bad = good;
        bad[block + 9 + 5] += 1;
        bad[block + 9 + 6] -= 1;
        EXPECT_EQ(broken_at(bad), block + 9 + 5);
    }
    Bytes renamed = good;
    renamed[285 + 256 + 1] = 'X';  // second block, K7Name[2]
    const auto inspection = inspect(renamed);
    ASSERT_EQ(inspection.verdict, Verdict::broken);
    EXPECT_EQ(inspection.error->offset, 285u + 256 + 1);
    EXPECT_EQ(inspection.error->expected, "0x4D");
}

TEST(DataCassette, ConcatenatesTheBlocksOfTheCut) {
    const Bytes data = fit_test::pattern(1000, 3);
    Bytes image = unit("LVL1", 0, Bytes(data.begin(), data.begin() + 10));
    for (std::size_t at = 10; at < 1000; at += 100)
        image = joined({image, unit("LVL1", 0, Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                                        data.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(at + 100, 1000))))});
    const auto inspection = inspect(image);
    ASSERT_EQ(inspection.verdict, Verdict::valid) << media::describe(*inspection.error);
    EXPECT_EQ(inspection.kind, "data cassette image");
    EXPECT_EQ(inspection.finding->payload, data);

    // A header block and an empty one; a block of 256 bytes next to an empty one.
    EXPECT_EQ(inspect(joined({unit("    ", 0, Bytes(5, 1)), unit("    ", 0, {})})).verdict,
              Verdict::valid);
    EXPECT_EQ(inspect(joined({unit("    ", 0, Bytes(256, 1)), unit("    ", 0, {})})).verdict,
              Verdict::valid);
}

TEST(DataCassette, BlocksStartAtZeroAndFollowTheCut) {
    const Bytes a = unit("    ", 0, Bytes(100, 1)), b = unit("    ", 0, Bytes(50, 2));
    // Units at 0, 367, 684.
    EXPECT_EQ(broken_at(joined({a, b, a})), 684u + 256 + 5);
    EXPECT_EQ(broken_at(joined({a, unit("    ", 0, {}), b})), 367u + 256 + 5);
    EXPECT_EQ(broken_at(joined({unit("    ", 0, {})})), 256u + 5);
    EXPECT_EQ(broken_at(joined({a, unit("    ", 0x0100, Bytes(50, 2))})), 367u + 256 + 8);
}
