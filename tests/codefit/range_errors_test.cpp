// The range checks of every codefit target, in the order the converters make them
// (load address, entry, end): only the first failure is reported, and nothing is
// written into out_buffer.
#include <gtest/gtest.h>

#include <sstream>

#include "codefit_run.hpp"

using fit_test::Bytes;

namespace {

using Conv = int (*)(const codefit::State&, fit::Work&, fit::Reporter&);

}  // namespace

TEST(CodefitRanges, ErrorsInOrderWriteNothing) {
    struct Case {
        const char* target;
        Conv conv;
        int type;
        std::uint16_t load, entry;
        std::size_t length;
        int code;
    };
    const Case cases[] = {
        {"DOS", codefit::DosConv, codefit::kDOS, 0x2000, 0x2000, 1, 7},
        {"DOS", codefit::DosConv, codefit::kDOS, 0x0FFF, 0x1000, 1, 7},
        {"DOS", codefit::DosConv, codefit::kDOS, 0x2000, 0x3000, 45057, 7},
        {"DOS", codefit::DosConv, codefit::kDOS, 0x1000, 0x1002, 1, 8},
        {"DOS", codefit::DosConv, codefit::kDOS, 0x1000, 0x1002, 45057, 8},
        {"DOS", codefit::DosConv, codefit::kDOS, 0x1000, 0x1000, 45057, 9},
        {"DOS", codefit::DosConv, codefit::kDOS, 0x1000, 0x1000, 0xFFFF, 9},
        {"ROM", codefit::RomConv, codefit::kROM, 0x01FF, 0x01FF, 1, 7},
        {"ROM", codefit::RomConv, codefit::kROM, 0x7FFC, 0x7FFC, 1, 7},
        {"ROM", codefit::RomConv, codefit::kROM, 0x01FF, 0x8000, 1, 7},
        {"ROM", codefit::RomConv, codefit::kROM, 0x1000, 0x8000, 1, 8},
        {"ROM", codefit::RomConv, codefit::kROM, 0x1000, 0x7FFC, 1, 8},
        {"ROM", codefit::RomConv, codefit::kROM, 0x0200, 0x0200, 32252, 9},
        {"ROM", codefit::RomConv, codefit::kROM, 0x7FFB, 0x7FFB, 1, 9},
        {"ROM", codefit::RomConv, codefit::kROM, 0x1000, 0x1000, 30000, 9},
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC37F, 0xC37F, 1, 7},
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC800, 0xC800, 1, 7},
        {"BAS", codefit::BasConv, codefit::kBAS, 0x1000, 0x1000, 1, 7},
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC37F, 0xC400, 1, 7},  // only the first failure
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC380, 0xC400, 1, 8},  // what -t:BAS -b:C400 gives
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC7FF, 0xC800, 1, 8},
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC7FF, 0xC7FF, 1, 9},
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC380, 0xC380, 1152, 9},
        {"BAS", codefit::BasConv, codefit::kBAS, 0xC380, 0xC380, 65535, 9},
        // The cassette's entry must be its load address.
        {"K7", codefit::K7Conv, codefit::kK7, 0xC300, 0xC400, 1, 8},  // passes the option checks, not this one
        {"K7", codefit::K7Conv, codefit::kK7, 0x8000, 0x8001, 1, 8},
        {"K7", codefit::K7Conv, codefit::kK7, 0xC300, 0xC2FF, 1, 8},
        {"K7", codefit::K7Conv, codefit::kK7, 0x7FFF, 0x9000, 1, 7},  // outside both windows: only the address counts
        {"K7", codefit::K7Conv, codefit::kK7, 0xC7FF, 0xC800, 1, 8},  // the entry before the length
    };
    for (const auto& c : cases) {
        const auto r = codefit_test::run_codefit(c.conv, codefit_test::state_for(c.type, c.load, c.entry),
                                                 Bytes(c.length, 1));
        std::ostringstream what;
        what << c.target << " " << std::hex << c.load << " " << c.entry << std::dec << " " << c.length;
        EXPECT_EQ(r.result, 1) << what.str();
        EXPECT_EQ(r.code, c.code) << what.str();
        EXPECT_EQ(r.errors, 1) << what.str() << ": only the first failure is reported";
        EXPECT_TRUE(r.output.empty()) << what.str();
        EXPECT_TRUE(r.untouched) << what.str() << ": out_buffer must stay as it was";
    }
}
