#include "picfit/tav_file.hpp"

#include <gtest/gtest.h>

#include "support/temp_dir.hpp"

using fit_test::Bytes;

namespace {

picfit::TavRecord record(int width, int height, int flag, std::size_t stream_length) {
    picfit::TavRecord tav;
    tav.width = static_cast<std::uint16_t>(width);
    tav.height = static_cast<std::uint16_t>(height);
    tav.mode = static_cast<std::uint8_t>(flag);
    tav.stream = fit_test::pattern(stream_length, static_cast<std::uint32_t>(stream_length));
    return tav;
}

// The file's bytes, header then stream, as the run saves them; none when the record
// cannot make a file of that length.
std::optional<Bytes> file_of(const picfit::TavRecord& tav, int length) {
    const auto file = picfit::tav_file_of(tav, length);
    if (!file) return std::nullopt;
    Bytes bytes(file->header.begin(), file->header.end());
    bytes.insert(bytes.end(), file->stream.begin(), file->stream.end());
    return bytes;
}

}  // namespace

TEST(TavFile, HeaderThenStream) {
    struct Case {
        int width, height, flag;
        std::size_t length;
        Bytes header;
    };
    const Case cases[] = {
        {320, 200, picfit::kColour, 4412, {'T', 'A', 'V', 1, 0x28, 0xC8, 0x11, 0x3C, 1, 0}},
        {640, 200, picfit::kTwoColour, 3335, {'T', 'A', 'V', 1, 0x28, 0xC8, 0x0D, 0x07, 0, 0}},
        {16, 250, picfit::kTwoColour, 8, {'T', 'A', 'V', 1, 0x01, 0xFA, 0x00, 0x08, 0, 0}},
        {8, 40, picfit::kColour, 256, {'T', 'A', 'V', 1, 0x01, 0x28, 0x01, 0x00, 1, 0}},
        {320, 250, picfit::kColour, 30079, {'T', 'A', 'V', 1, 0x28, 0xFA, 0x75, 0x7F, 1, 0}},
    };
    for (const auto& c : cases) {
        const auto tav = record(c.width, c.height, c.flag, c.length);
        const auto file = file_of(tav, static_cast<int>(c.length));
        ASSERT_TRUE(file) << c.width << " x " << c.height;
        ASSERT_EQ(file->size(), 10 + c.length) << c.width << " x " << c.height;
        EXPECT_EQ(Bytes(file->begin(), file->begin() + 10), c.header) << c.width << " x " << c.height;
        EXPECT_TRUE(std::equal(file->begin() + 10, file->end(), tav.stream.begin()));
    }
}

TEST(TavFile, HoldsOnlyTheLengthGiven) {
    const auto tav = record(16, 1, picfit::kTwoColour, 20);
    const auto file = file_of(tav, 12);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 22u);
    EXPECT_EQ((*file)[7], 12);
    EXPECT_TRUE(std::equal(file->begin() + 10, file->end(), tav.stream.begin()));
}

// A length the record does not hold, or the header cannot tell, makes no file.
TEST(TavFile, NoFileOfALengthItCannotTell) {
    const auto tav = record(320, 200, picfit::kColour, 500);
    EXPECT_FALSE(file_of(tav, 501));
    EXPECT_FALSE(file_of(tav, -1));
    EXPECT_FALSE(file_of(record(8, 1, picfit::kColour, 0x10000), 0x10000));
    EXPECT_TRUE(file_of(record(8, 1, picfit::kColour, 0xFFFF), 0xFFFF));
}
