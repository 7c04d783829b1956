// ROM cartridge images: the trailer, the code found from its non-zero span or from a
// given load address and size, and the zero bytes around it.
#include <gtest/gtest.h>

#include "media/rom_image.hpp"
#include "hand_built.hpp"

using fit_test::broken_at;
using fit_test::Bytes;
using fit_test::inspect;
using media::kRomSize;
using fitinfo::Verdict;

namespace {

Bytes rom(unsigned reloc, const Bytes& code, unsigned entry, bool paged = false) {
    Bytes image(32256, 0x00);
    std::copy(code.begin(), code.end(), image.begin() + static_cast<std::ptrdiff_t>(reloc - 0x200));
    image[32252] = paged ? 0x55 : 0xAA;
    image[32253] = 0x8C;
    image[32254] = static_cast<std::uint8_t>(entry >> 8);
    image[32255] = static_cast<std::uint8_t>(entry & 0xFF);
    return image;
}

Bytes code_of(const Bytes& image, fitinfo::InspectOptions options = {}) {
    const auto inspection = inspect(image, options);
    EXPECT_EQ(inspection.verdict, Verdict::valid)
        << (inspection.error ? media::describe(*inspection.error) : inspection.kind);
    return inspection.finding ? inspection.finding->payload : Bytes{};
}

}  // namespace

TEST(RomImage, FindsTheCodeBetweenTheFirstAndTheLastNonZeroByte) {
    Bytes code = fit_test::pattern(300, 1);
    code.front() = 0x01;
    code.back() = 0xFF;
    EXPECT_EQ(code_of(rom(0x1000, code, 0x1000)), code);
    EXPECT_EQ(inspect(rom(0x1000, code, 0x1000)).kind, "ROM cartridge image");
    const Bytes highest(32251, 0xEE);
    EXPECT_EQ(code_of(rom(0x0200, highest, 0x7FFB, true)), highest);
}

TEST(RomImage, ALoadAddressAndSizeKeepLeadingAndTrailingZeros) {
    const Bytes code{0x00, 0x00, 0x21, 0x00, 0x10, 0x00, 0x00};
    const Bytes image = rom(0x4000, code, 0x4002);
    EXPECT_EQ(code_of(image), (Bytes{0x21, 0x00, 0x10}));
    EXPECT_EQ(code_of(image, {0x4000, std::nullopt}), (Bytes{0x00, 0x00, 0x21, 0x00, 0x10}));
    EXPECT_EQ(code_of(image, {0x4000, 7}), code);
    EXPECT_EQ(code_of(image, {std::nullopt, 5}), (Bytes{0x21, 0x00, 0x10, 0x00, 0x00}));
    // What the options say must fit the image.
    EXPECT_EQ(broken_at(image, {0x4003, std::nullopt}), 0x4002u - 0x200);
    EXPECT_EQ(broken_at(image, {0x4000, 4}), 0x4004u - 0x200);
    EXPECT_EQ(broken_at(rom(0x7FF0, {1}, 0x7FF0), {0x7FF0, 0x20}), 32251u);
    // An image without code says so and gives nothing.
    const auto empty = inspect(rom(0x1000, Bytes(20, 0), 0x1000));
    ASSERT_EQ(empty.verdict, Verdict::valid);
    EXPECT_TRUE(empty.finding->payload.empty());
}

TEST(RomImage, TheTrailerAndTheByteBelowItAreChecked) {
    const Bytes good = rom(0x1000, Bytes(100, 0x42), 0x1234, true);
    const std::vector<std::tuple<std::size_t, std::uint8_t, std::size_t>> cases{
        {32252, 0xAB, 32252},  // neither 0xAA nor 0x55
        {32253, 0x8D, 32253},
        {32254, 0x80, 32254},  // entry 0x8034
        {32254, 0x01, 32254},  // entry 0x0134
        {32254, 0x7F, 32255},  // entry 0x7F34 is fine ...
        {32251, 0x01, 32251},  // 0x7FFB never holds code
    };
    for (const auto& [at, value, found] : cases) {
        Bytes bad = good;
        bad[at] = value;
        if (at == 32254 && value == 0x7F) {
            EXPECT_EQ(inspect(bad).verdict, Verdict::valid);
            bad[32255] = 0xFC;  // ... 0x7FFC is not
        }
        EXPECT_EQ(broken_at(bad), found) << at;
    }
    // Cut or lengthened, the image is known by its trailer and refused for its length.
    for (const std::size_t size : {kRomSize - 1, kRomSize - 2, kRomSize + 1, kRomSize + 100}) {
        Bytes other = good;
        other.resize(size, 0x00);
        const auto inspection = inspect(other);
        ASSERT_EQ(inspection.verdict, Verdict::broken) << size;
        EXPECT_EQ(inspection.kind, "ROM cartridge image");
        EXPECT_EQ(inspection.error->offset, std::min(size, kRomSize));
        EXPECT_EQ(inspection.error->what, "image length");
    }
    // Without the trailer, a file of another length is not taken for an image.
    Bytes plain = good;
    plain[32253] = 0;
    plain.pop_back();
    EXPECT_EQ(inspect(plain).verdict, Verdict::unrecognised);
    Bytes paged = good;
    paged[32252] = 0xAA;
    EXPECT_EQ(inspect(paged).verdict, Verdict::valid);
}
