#include "picfit/tav_file.hpp"

#include <gtest/gtest.h>

#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::TempDir;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

picfit::TavRecord record(int width, int height, int flag, std::size_t stream_length) {
    picfit::TavRecord tav;
    tav.width = static_cast<std::uint16_t>(width);
    tav.height = static_cast<std::uint16_t>(height);
    tav.Flag = static_cast<std::uint8_t>(flag);
    tav.Length = 0xEEEE;  // not what the file tells
    tav.Reserved = 0x77;
    tav.stream = fit_test::pattern(stream_length, static_cast<std::uint32_t>(stream_length));
    return tav;
}

struct Saved {
    int result;
    int code;
    std::string err;
};

Saved save(const std::string& path, const picfit::TavRecord& tav, int length) {
    fit::Reporter report(fit::picfit_errors);
    CaptureStderr();
    const int result = picfit::save_tav(path, tav, length, report);
    return {result, report.first_code(), GetCapturedStderr()};
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
    TempDir dir;
    for (const auto& c : cases) {
        const auto tav = record(c.width, c.height, c.flag, c.length);
        const std::string path = dir.file("out.tav");
        const Saved s = save(path, tav, static_cast<int>(c.length));
        EXPECT_EQ(s.result, static_cast<int>(c.length));
        EXPECT_EQ(s.err, path + " file written.\n");
        const Bytes file = fit_test::read_bytes(path);
        ASSERT_EQ(file.size(), 10 + c.length) << c.width << " x " << c.height;
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 10), c.header) << c.width << " x " << c.height;
        EXPECT_TRUE(std::equal(file.begin() + 10, file.end(), tav.stream.begin()));
    }
}

TEST(TavFile, WritesOnlyTheLengthGiven) {
    TempDir dir;
    const auto tav = record(16, 1, picfit::kTwoColour, 20);
    ASSERT_EQ(save(dir.file("a.tav"), tav, 12).result, 12);
    const Bytes file = fit_test::read_bytes(dir.file("a.tav"));
    ASSERT_EQ(file.size(), 22u);
    EXPECT_EQ(file[7], 12);
    EXPECT_TRUE(std::equal(file.begin() + 10, file.end(), tav.stream.begin()));
}

TEST(TavFile, FailuresLeaveNoFile) {
    TempDir dir;
    const auto tav = record(320, 200, picfit::kColour, 500);

    Saved s = save(dir.file("no/such/dir/x.tav"), tav, 500);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.code, picfit::kCannotCreateTarget);
    EXPECT_EQ(s.err, "ERROR: Cannot save target file.\n");

    s = save("/dev/full", tav, 500);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.err, "ERROR: When saving target file.\n");

    // A length the record does not hold, or the header cannot tell, is not written.
    const std::string old = dir.write("old.tav", {1, 2, 3});
    for (const int length : {501, -1}) {
        s = save(old, tav, length);
        EXPECT_EQ(s.result, 0);
        EXPECT_EQ(s.err, "ERROR: When saving target file.\n");
    }
    EXPECT_EQ(fit_test::read_bytes(old), (Bytes{1, 2, 3}));
    EXPECT_EQ(save(old, record(8, 1, picfit::kColour, 0x10000), 0x10000).result, 0);
    EXPECT_EQ(fit_test::read_bytes(old), (Bytes{1, 2, 3}));
}
