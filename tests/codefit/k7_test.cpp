#include <gtest/gtest.h>

#include "codefit_run.hpp"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "codefit/types.hpp"
#include "media/code_cassette.hpp"
#include "media/cassette.hpp"
#include "support/cassette_parse.hpp"
#include "support/converter_run.hpp"

using fit_test::Bytes;

namespace {

constexpr media::K7Name kGame{'G', 'A', 'M', 'E'};

codefit::State k7_state(std::uint16_t reloc, int loader = 0,
                        const media::K7Name& name = media::kBlankK7Name) {
    codefit::State s = codefit_test::state_for(codefit::kK7, reloc, reloc);
    s.K7Name = name;
    s.loaderk7 = loader;
    return s;
}

fit_test::ConversionResult k7(const codefit::State& state, const Bytes& code) {
    return codefit_test::run_codefit(codefit::K7Conv, state, code);
}

struct Table {
    const char* name;
    std::span<const std::uint8_t> bytes;
    std::uint16_t start;
    std::size_t data_size;
    std::uint8_t sum;
};

const Table kTables[] = {
    {"loader1", media::loader1, 0xC0CC, 18, 0x2D},
    {"loader1b", media::loader1b, 0x0FDD, 94, 0x7B},
    {"loader2", media::loader2, 0xC0CC, 18, 0xC1},
    {"loader2b", media::loader2b, 0x0FDD, 546, 0xB0},
};

std::span<const std::uint8_t> data_of(std::span<const std::uint8_t> block) {
    return block.subspan(9, block.size() - 11);
}

int word_le(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | b[at + 1] << 8; }
int word_be(std::span<const std::uint8_t> b, std::size_t at) { return b[at] << 8 | b[at + 1]; }

// One numbered line of a stored BASIC program.
struct Line {
    int number;
    std::span<const std::uint8_t> body;  // after the length byte, the closing 0x00 left out
};

// Walks the numbered lines of a second loader block's program; fails the test on any
// length byte or line end that does not fit.
std::vector<Line> program_lines(std::span<const std::uint8_t> data, std::size_t trailing) {
    std::vector<Line> lines;
    EXPECT_EQ(data[0], 0x80);
    EXPECT_EQ(data[1], 0x03);
    const std::size_t count = static_cast<std::size_t>(word_be(data, 2));
    EXPECT_EQ(data.size(), 4 + count + trailing) << "bytes after the lines";
    std::size_t p = 4;
    while (p < 4 + count && p + 3 <= data.size()) {
        const std::size_t length = data[p + 2];  // counts itself and the rest of the line
        EXPECT_GE(length, 2u);
        if (p + 2 + length > data.size() || length < 2) break;
        EXPECT_EQ(data[p + 2 + length - 1], 0x00) << "line at data offset " << p;
        lines.push_back({word_le(data, p), data.subspan(p + 3, length - 2)});
        p += 2 + length;
    }
    EXPECT_EQ(p, 4 + count) << "the line bytes add up to the stored count";
    return lines;
}

// The decimal strings of a DATA line: the DATA token, then coded strings (0xCA, a
// length, the digits) separated by commas (0xAD).
std::vector<std::string> data_values(std::span<const std::uint8_t> body) {
    std::vector<std::string> values;
    EXPECT_EQ(body[0], 0xA2);
    std::size_t p = 1;
    while (p < body.size()) {
        if (!values.empty()) {
            EXPECT_EQ(body[p], 0xAD) << "comma expected";
            ++p;
        }
        EXPECT_EQ(body[p], 0xCA);
        const std::size_t n = body[p + 1];
        std::string digits(body.begin() + static_cast<std::ptrdiff_t>(p + 2),
                           body.begin() + static_cast<std::ptrdiff_t>(p + 2 + n));
        EXPECT_TRUE(!digits.empty() && std::all_of(digits.begin(), digits.end(), ::isdigit)) << digits;
        values.push_back(digits);
        p += 2 + n;
    }
    EXPECT_EQ(p, body.size());
    return values;
}

bool holds_word(std::span<const std::uint8_t> data, std::string_view word) {
    // The iterator pairs, not the ranges overload, which clang cannot compile with
    // the GCC 12 library for a span.
    const auto same = [](std::uint8_t byte, char c) { return byte == static_cast<std::uint8_t>(c); };
    return word.empty() || std::search(data.begin(), data.end(), word.begin(), word.end(), same) != data.end();
}

}  // namespace

TEST(K7Loaders, EachTableIsACompleteBlockWithItsOwnChecksum) {
    for (const auto& t : kTables) {
        SCOPED_TRACE(t.name);
        const auto b = t.bytes;
        ASSERT_EQ(b.size(), t.data_size + media::kBlockOverhead);
        EXPECT_EQ(b[4], media::kBlockMarker);
        EXPECT_EQ(word_le(b, 7), t.start);
        EXPECT_EQ(word_le(b, 5), t.start + static_cast<int>(b.size()) - 11 - 1);
        const std::uint8_t sum = media::checksum(data_of(b));
        EXPECT_EQ(sum, t.sum);
        EXPECT_EQ(b[b.size() - 2], sum);
        EXPECT_EQ(b[b.size() - 1], sum);
    }
}

TEST(K7Loaders, FirstBlocksDescribeTheirSecondBlocks) {
    struct Pair {
        std::span<const std::uint8_t> first, second;
        std::uint8_t kind;
    };
    const Pair pairs[] = {{media::loader1, media::loader1b, 0x02},
                          {media::loader2, media::loader2b, 0x0A}};
    for (const auto& [first, second, kind] : pairs) {
        const auto d = data_of(first);
        const int last = static_cast<int>(data_of(second).size()) - 1;
        EXPECT_EQ(d[0], 0x80);
        EXPECT_EQ(word_be(d, 1), word_le(second, 7)) << "start of the second block";
        EXPECT_EQ(d[3], 0x00);
        EXPECT_EQ(word_be(d, 4), last);
        EXPECT_EQ(word_be(d, 6), last);
        EXPECT_EQ(Bytes(d.begin() + 8, d.end()),
                  (Bytes{0x00, 0x00, 0x00, 0x04, 0x01, 0x00, kind, 0x00, 0x00, 0x00}));
    }
}

TEST(K7Loaders, SecondBlocksHoldWellFormedPrograms) {
    const auto one = program_lines(data_of(media::loader1b), 3);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].number, 100);
    EXPECT_EQ(one[1].number, 32767);
    EXPECT_EQ(Bytes(one[1].body.begin(), one[1].body.end()), Bytes{0x86});
    EXPECT_TRUE(holds_word(one[0].body, "POKE") && holds_word(one[0].body, "EXEC"));

    const auto two = program_lines(data_of(media::loader2b), 11);
    ASSERT_EQ(two.size(), 9u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(two[i].number, 100 + 10 * static_cast<int>(i));
    EXPECT_EQ(two[8].number, 32767);
    EXPECT_EQ(Bytes(two[8].body.begin(), two[8].body.end()), Bytes{0x86});
    EXPECT_TRUE(holds_word(two[7].body, "POKE") && holds_word(two[7].body, "EXEC"));

    // Line 100 gives an address and a count; lines 110 to 160 hold that many bytes.
    EXPECT_EQ(data_values(two[0].body), (std::vector<std::string>{"51116", "84"}));
    std::size_t values = 0;
    for (std::size_t i = 1; i <= 6; ++i) {
        const auto line = data_values(two[i].body);
        EXPECT_EQ(line.size(), i < 6 ? 16u : 4u) << "line " << two[i].number;
        for (const auto& v : line) EXPECT_LE(std::stoi(v), 255) << v;
        values += line.size();
    }
    EXPECT_EQ(values, 84u);
}

TEST(K7Conv, ExampleWithoutLoader) {
    const auto r = k7(k7_state(0xC300, 0, {'A', 'B', 'C', 'D'}), {0x01, 0x02, 0x03});
    ASSERT_EQ(r.result, 0) << r.err;
    Bytes expected(media::sync.begin(), media::sync.end());
    expected.insert(expected.end(), {0x44, 0x43, 0x42, 0x41, 0x7A, 0x02, 0xC3, 0x00, 0xC3, 0x01,
                                     0x02, 0x03, 0x06, 0x06});
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.err, "");
}

TEST(K7Conv, LoaderBlocksComeFirstWithTheNameReversedInEveryBlock) {
    const Bytes code = fit_test::pattern(500, 3);
    struct Case {
        int loader;
        std::span<const std::uint8_t> first, second;
        std::size_t code_block;
    };
    const Case cases[] = {{1, media::loader1, media::loader1b, 902},
                          {2, media::loader2, media::loader2b, 1354}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loader);
        const auto r = k7(k7_state(0xC300, c.loader, kGame), code);
        ASSERT_EQ(r.result, 0) << r.err;
        EXPECT_EQ(r.output.size(), code.size() + c.code_block + 11);

        const auto parsed = fit_test::parse_cassette(r.output);
        ASSERT_TRUE(parsed.ok()) << parsed.error;
        ASSERT_EQ(parsed.blocks.size(), 3u);
        const std::size_t offsets[] = {256, 256 + c.first.size() + 256, c.code_block};
        for (std::size_t k = 0; k < 3; ++k) {
            const auto& b = parsed.blocks[k];
            EXPECT_EQ(b.offset, offsets[k]);
            EXPECT_EQ(Bytes(r.output.begin() + static_cast<std::ptrdiff_t>(b.offset),
                            r.output.begin() + static_cast<std::ptrdiff_t>(b.offset) + 4),
                      (Bytes{'E', 'M', 'A', 'G'}));
        }
        // The loader blocks exactly as stored, apart from the name.
        for (std::size_t k = 0; k < 2; ++k) {
            const auto stored = k == 0 ? c.first : c.second;
            EXPECT_TRUE(std::equal(stored.begin() + 4, stored.end(),
                                   r.output.begin() + static_cast<std::ptrdiff_t>(offsets[k]) + 4));
        }
        EXPECT_EQ(parsed.blocks[2].start, 0xC300);
        EXPECT_EQ(parsed.blocks[2].data, code);
    }
}

TEST(K7Conv, LoaderOneImageOffsetsWithTheDefaultName) {
    const auto r = k7(k7_state(0xC300, 1), Bytes(10, 0x11));
    ASSERT_EQ(r.result, 0) << r.err;
    ASSERT_EQ(r.output.size(), 10u + 913u);
    for (const std::size_t at : {256u, 541u, 902u})
        EXPECT_EQ(Bytes(r.output.begin() + at, r.output.begin() + at + 4), Bytes(4, 0x20)) << at;
    const Bytes leader(media::sync.begin(), media::sync.end());
    for (const std::size_t at : {285u, 646u})
        EXPECT_EQ(Bytes(r.output.begin() + at, r.output.begin() + at + 256), leader) << at;
    EXPECT_EQ(r.output[540], 0x70);
    EXPECT_EQ(r.output[901], 0x70);
}

TEST(K7Conv, WindowsAndLimitsForEveryLoaderKind) {
    struct Case {
        std::uint16_t reloc;
        std::size_t length;
        std::array<int, 3> code;  // expected error by loader kind 0, 1, 2; 0 = written
    };
    const Case cases[] = {
        {0x7FFF, 1, {7, 7, 7}},       {0xC000, 1, {7, 7, 7}},       {0xC2FF, 1, {7, 7, 7}},
        {0xC800, 1, {7, 7, 7}},       {0xFFFF, 1, {7, 7, 7}},       {0x0000, 1, {7, 7, 7}},
        {0x8000, 1, {0, 0, 0}},       {0xC300, 1, {0, 0, 0}},       {0xBFFE, 1, {0, 0, 0}},
        {0xBFFF, 1, {9, 9, 9}},       {0xC7FF, 1, {9, 9, 9}},       {0x8000, 16383, {0, 0, 0}},
        {0x8000, 16384, {9, 9, 9}},   {0xC300, 1279, {0, 9, 9}},    {0xC300, 1278, {0, 0, 9}},
        {0xC300, 1275, {0, 0, 9}},    {0xC300, 1274, {0, 0, 0}},    {0xC7FA, 1, {0, 0, 9}},
        {0xBF00, 65535, {9, 9, 9}},   {0xC300, 65535, {9, 9, 9}},
    };
    const std::size_t overhead[] = {267, 913, 1365};
    for (const auto& c : cases) {
        const Bytes code = fit_test::pattern(c.length, c.reloc);
        for (int loader = 0; loader < 3; ++loader) {
            SCOPED_TRACE(testing::Message() << std::hex << c.reloc << " + " << std::dec
                                            << c.length << ", loader " << loader);
            const auto r = k7(k7_state(c.reloc, loader), code);
            const int expected = c.code[static_cast<std::size_t>(loader)];
            EXPECT_EQ(r.code, expected);
            if (expected != 0) {
                EXPECT_EQ(r.result, 1);
                EXPECT_EQ(r.errors, 1);
                EXPECT_TRUE(r.untouched);
                continue;
            }
            ASSERT_EQ(r.result, 0);
            ASSERT_EQ(r.output.size(), c.length + overhead[loader]);
            const auto parsed = fit_test::parse_cassette(r.output);
            ASSERT_TRUE(parsed.ok()) << parsed.error;
            EXPECT_EQ(parsed.blocks.back().start, c.reloc);
            EXPECT_EQ(parsed.blocks.back().data, code);
        }
    }
}

TEST(K7Conv, AnyOtherLoaderValueMeansNoLoader) {
    const Bytes code{9, 8, 7};
    const auto none = k7(k7_state(0xC300, 0), code);
    for (const int kind : {3, -1}) {
        const auto r = k7(k7_state(0xC300, kind), code);
        ASSERT_EQ(r.result, 0);
        EXPECT_EQ(r.output, none.output) << kind;
    }
}
