// The three kinds of disk file: executable files, tagged object modules and data
// record files, read back from hand-built files and refused at the byte that breaks
// their rules.
#include <gtest/gtest.h>

#include <cstdio>

#include "hand_built.hpp"

using fit_test::broken_at;
using fit_test::Bytes;
using fit_test::container;
using fit_test::inspect;
using fitinfo::Verdict;

namespace {

Bytes exe(const Bytes& code, unsigned reloc, unsigned branch, std::uint8_t flag) {
    const std::size_t n = code.size();
    const unsigned end = reloc + static_cast<unsigned>(n) - 1;
    const Bytes header{0x00, 0x00, static_cast<std::uint8_t>(branch), static_cast<std::uint8_t>(branch >> 8),
                       static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                       static_cast<std::uint8_t>(end), static_cast<std::uint8_t>(end >> 8),
                       flag, 0x01, 0x00, 'X', 'A', 'L', 'R', 'O', 'V'};
    return container({header, Bytes(code.rbegin(), code.rend())}, n);
}

Bytes text_record(const std::string& s) {
    Bytes r(s.begin(), s.end());
    r.resize(71, ' ');
    return r;
}

// The records of a tagged object module for `code`.
std::vector<Bytes> module_records(const Bytes& code) {
    std::vector<Bytes> records{text_record(std::string("K\0\0\0\0VORLAX  F", 14))};
    char digits[8];
    for (std::size_t at = 0; at < code.size(); at += 28) {
        std::string line;
        std::size_t i = at;
        for (; i + 1 < code.size() && i < at + 28; i += 2) {
            std::snprintf(digits, sizeof digits, "B%02X%02X", code[i], code[i + 1]);
            line += digits;
        }
        if (i < at + 28 && i < code.size()) {
            std::snprintf(digits, sizeof digits, "*%02X", code[i]);
            line += digits;
        }
        records.push_back(text_record(line + "F"));
    }
    records.push_back(text_record(":CODEFIT CONVERTER 2.0"));
    return records;
}

bool has_line(const fitinfo::Inspection& inspection, const std::string& line) {
    const auto& lines = inspection.finding->details;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(ExeFile, ReadsTheHeaderAndGivesTheCodeBackInOrder) {
    const Bytes file = exe({0x11, 0x22, 0x33}, 0x1000, 0x1002, 0x01);
    ASSERT_EQ(Bytes(file.begin() + 533, file.begin() + 536), (Bytes{0x33, 0x22, 0x11}));
    const auto inspection = inspect(file);
    ASSERT_EQ(inspection.verdict, Verdict::valid) << media::describe(*inspection.error);
    EXPECT_EQ(inspection.kind, "executable disk file (EXE)");
    EXPECT_EQ(inspection.finding->payload, (Bytes{0x11, 0x22, 0x33}));
    EXPECT_TRUE(has_line(inspection, "load address: 0x1000"));
    EXPECT_TRUE(has_line(inspection, "end address: 0x1002"));
    EXPECT_TRUE(has_line(inspection, "entry address: 0x1002"));
    EXPECT_TRUE(has_line(inspection, "flags: 0x01 (loads at 0x1000 or above)"));
}

TEST(ExeFile, FlagBitsMustFollowTheAddresses) {
    EXPECT_EQ(inspect(exe(Bytes(10, 1), 0x0FFF, 0x0FFF, 0x00)).verdict, Verdict::valid);
    EXPECT_EQ(inspect(exe(Bytes(256, 1), 0x7F00, 0x7F00, 0x01)).verdict, Verdict::valid);
    EXPECT_EQ(inspect(exe(Bytes(257, 1), 0x7F00, 0x7F00, 0x05)).verdict, Verdict::valid);
    EXPECT_EQ(inspect(exe(Bytes(0x7001, 1), 0x1000, 0x1000, 0x07)).verdict, Verdict::valid);
    EXPECT_EQ(broken_at(exe(Bytes(257, 1), 0x7F00, 0x7F00, 0x01)), 522u);
    EXPECT_EQ(broken_at(exe(Bytes(10, 1), 0x0FFF, 0x0FFF, 0x01)), 522u);
    EXPECT_EQ(broken_at(exe(Bytes(10, 1), 0x1000, 0x1000, 0x09)), 522u);
}

TEST(ExeFile, AddressesMustLieInTheLoadableRange) {
    EXPECT_EQ(inspect(exe(Bytes(255, 1), 0xBF00, 0xBFFF, 0x05)).verdict, Verdict::valid);
    EXPECT_EQ(inspect(exe(Bytes(1, 1), 0x0200, 0x0200, 0x00)).verdict, Verdict::valid);
    EXPECT_EQ(broken_at(exe(Bytes(256, 1), 0xBF00, 0xBF00, 0x05)), 520u);  // ends at 0xBFFF
    EXPECT_EQ(broken_at(exe(Bytes(1, 1), 0x01FF, 0x0200, 0x00)), 520u);
    EXPECT_EQ(broken_at(exe(Bytes(1, 1), 0x1000, 0xC000, 0x01)), 517u);
    EXPECT_EQ(broken_at(exe(Bytes(1, 1), 0x1000, 0x01FF, 0x01)), 517u);
}

TEST(ExeFile, EveryCheckedHeaderByteIsNamedWhenChanged) {
    const Bytes good = exe(fit_test::pattern(300), 0x2000, 0x2010, 0x01);
    // Offset changed, and where the fault is found: the end address only shows
    // through the flag it no longer matches.
    const std::vector<std::pair<std::size_t, std::size_t>> cases{
        {2, 2},     {3, 3},     {4, 4},     {5, 5},     {514, 514}, {515, 515},
        {518, 518}, {519, 519}, {521, 522}, {522, 522}, {523, 523}, {524, 524},
        {525, 525}, {527, 527}, {530, 530}};
    for (const auto& [at, found] : cases) {
        Bytes bad = good;
        bad[at] ^= 0x80;
        EXPECT_EQ(broken_at(bad), found) << "byte " << at;
    }
    // The entry address and the video flag are free: nothing can tell them wrong.
    Bytes free = good;
    free[516] ^= 0x80;
    free[522] ^= 0x02;
    EXPECT_EQ(inspect(free).verdict, Verdict::valid);
}

TEST(TaggedObject, DecodesWordsAndTheOddLastByte) {
    for (const std::size_t n : {1u, 2u, 27u, 28u, 29u, 57u}) {
        const Bytes code = fit_test::pattern(n, static_cast<std::uint32_t>(n));
        const auto inspection = inspect(container(module_records(code), 71));
        ASSERT_EQ(inspection.verdict, Verdict::valid) << n << ": " << media::describe(*inspection.error);
        EXPECT_EQ(inspection.kind, "tagged object module (disk file)");
        EXPECT_EQ(inspection.finding->payload, code) << n;
    }
}

TEST(TaggedObject, EveryCharacterOfTheTextIsChecked) {
    const Bytes code = fit_test::pattern(29, 3);
    const Bytes good = container(module_records(code), 71);
    // Records at 512, 585, 658, 731: the module, a full, the last and the end record.
    const std::vector<std::pair<std::size_t, std::uint8_t>> cases{
        {512 + 2 + 3, '0'},   // a 0x00 of the module record
        {512 + 2 + 8, 'X'},   // its name
        {585 + 2 + 0, 'C'},   // a word's tag
        {585 + 2 + 1, 'G'},   // not a hexadecimal digit
        {585 + 2 + 2, 'a'},   // lower case
        {585 + 2 + 70, ' '},  // the closing 'F'
        {658 + 2 + 0, 'X'},   // the odd byte's '*'
        {658 + 2 + 3, ' '},   // the 'F' after it
        {658 + 2 + 40, '.'},  // a closing blank
        {731 + 2 + 5, 'd'},   // the end record
    };
    for (const auto& [at, c] : cases) {
        Bytes bad = good;
        bad[at] = c;
        EXPECT_EQ(broken_at(bad), at) << "byte " << at;
    }
    Bytes longest = good;
    longest[5] = 0x48;
    EXPECT_EQ(broken_at(longest), 5u);
}

TEST(TaggedObject, OnlyTheLastDataRecordMayBeShort) {
    auto records = module_records(fit_test::pattern(57, 4));  // full, full, "*XXF"
    std::swap(records[2], records[3]);
    EXPECT_EQ(broken_at(container(records, 71)), 512u + 73 + 73 + 2 + 0);
}

TEST(RecordFile, ReadsTheCutAndChecksTheDeclaredLongest) {
    std::vector<Bytes> records{fit_test::pattern(10, 1)};
    for (int i = 0; i < 9; ++i) records.push_back(fit_test::pattern(100, 2 + i));
    records.push_back(fit_test::pattern(90, 20));
    const auto inspection = inspect(container(records, 100));
    ASSERT_EQ(inspection.verdict, Verdict::valid) << media::describe(*inspection.error);
    EXPECT_EQ(inspection.kind, "data record file (disk file)");
    EXPECT_EQ(inspection.finding->payload.size(), 1000u);
    EXPECT_EQ(Bytes(inspection.finding->payload.end() - 90, inspection.finding->payload.end()),
              records.back());
    EXPECT_TRUE(has_line(inspection, "records: 10, 9 × 100, 90 bytes"));
    EXPECT_EQ(broken_at(container(records, 99)), 5u);
    EXPECT_EQ(broken_at(container(records, 0x0164)), 4u);

    // With fewer than three records any declared size from the longest up can arise.
    EXPECT_EQ(inspect(container({Bytes(20, 1), Bytes(80, 2)}, 0x1000)).verdict, Verdict::valid);
    EXPECT_EQ(inspect(container({Bytes(20, 1), {}}, 20)).verdict, Verdict::valid);
    EXPECT_EQ(broken_at(container({Bytes(20, 1), Bytes(80, 2)}, 79)), 5u);
}

TEST(RecordFile, RecordsMustFollowTheCut) {
    const Bytes r100(100, 7), r50(50, 8);
    // Records at 512, 614, 666.
    EXPECT_EQ(broken_at(container({r100, r50, r100}, 100)), 666u);
    EXPECT_EQ(broken_at(container({r100, r50, r100, r50}, 100)), 666u);
    EXPECT_EQ(broken_at(container({r100, {}, r50}, 100)), 614u);
    EXPECT_EQ(broken_at(container({{}, r100}, 100)), 512u);
    EXPECT_EQ(inspect(container({r50, r100, r100, r50}, 100)).verdict, Verdict::valid);
}
