#include <gtest/gtest.h>

#include "codefit_run.hpp"

#include "codefit/types.hpp"
#include "support/converter_run.hpp"

using fit_test::Bytes;

namespace {

codefit::State rom_state(std::uint16_t reloc, std::uint16_t branch, bool paged = false) {
    codefit::State s = codefit_test::state_for(codefit::kROM, reloc, branch);
    s.pagination = paged;
    return s;
}

}  // namespace

TEST(RomConv, LaysTheCodeAtItsAddressAndEndsWithTheTrailer) {
    const Bytes code = fit_test::pattern(300);
    const auto r = codefit_test::run_codefit(codefit::RomConv, rom_state(0x1000, 0x1000), code);
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.output.size(), 32256u);
    for (std::size_t i = 0; i < r.output.size() - 4; ++i) {
        const bool in_code = i >= 3584 && i < 3584 + code.size();
        ASSERT_EQ(r.output[i], in_code ? code[i - 3584] : 0) << "offset " << i;
    }
    EXPECT_EQ(Bytes(r.output.end() - 4, r.output.end()), (Bytes{0xAA, 0x8C, 0x10, 0x00}));

    const auto paged = codefit_test::run_codefit(codefit::RomConv, rom_state(0x1000, 0x1234, true), code);
    ASSERT_EQ(paged.result, 0);
    EXPECT_EQ(Bytes(paged.output.end() - 4, paged.output.end()), (Bytes{0x55, 0x8C, 0x12, 0x34}));
}

TEST(RomConv, UpperBoundFillsTheImageToTheByteBelowTheTrailer) {
    const Bytes code(32251, 0xEE);
    const auto r = codefit_test::run_codefit(codefit::RomConv, rom_state(0x0200, 0x0200), code);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output[32250], 0xEE);
    EXPECT_EQ(r.output[32251], 0x00);
    EXPECT_EQ(r.output.size(), 32256u);

    // A 30000-byte source gives the same length as a 1-byte one.
    const auto big = codefit_test::run_codefit(codefit::RomConv, rom_state(0x0200, 0x0200), Bytes(30000, 1));
    const auto small = codefit_test::run_codefit(codefit::RomConv, rom_state(0x0200, 0x0200), Bytes(1, 1));
    EXPECT_EQ(big.output.size(), small.output.size());
}

// The last entry address the cartridge takes.
TEST(RomConv, EntryUpToTheTrailer) {
    EXPECT_EQ(codefit_test::run_codefit(codefit::RomConv, rom_state(0x0200, 0x7FFB), Bytes(1, 1))
                  .result,
              0);
}
