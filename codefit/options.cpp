#include "options.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace codefit {

namespace {

struct TypeEntry {
    std::string_view argument;
    int type;
    std::uint16_t default_reloc;
};

constexpr std::array<TypeEntry, 5> kTypes{{
    {":EXE", kEXE, 0x1000},
    {":DOS", kDOS, 0x1000},
    {":ROM", kROM, 0x1000},
    {":K7", kK7, 0xC300},
    {":BAS", kBAS, 0xC380},
}};

std::uint16_t read_address(const char* argument) {
    // strtol's whole reading, kept to the 16 bits of the target's address space.
    return static_cast<std::uint16_t>(std::strtol(fit::after_first(argument), nullptr, 16));
}

void infer_type(State& state, std::uint16_t address) {
    if (state.TypeDest == kNone) state.TypeDest = address > 0xBFFE ? kK7 : kEXE;
}

}  // namespace

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    fit::OptionScanner scan(argc, argv, "hpct:r:b:n:l:");
    for (int c = scan.next(); c != -1; c = scan.next()) {
        switch (c) {
        case 'h':
            std::fputs("Usage: codefit sourceFile targetFile [-t:EXE|DOS|ROM|K7|BAS] "
                       "[-r:0xRelocAdr] [-b:0xBranchAdr] [-n:4LettersK7Filename] [-l:1|2] "
                       "[-p] [-c]\n",
                       stdout);
            return 1;
        case 't':
            for (const auto& entry : kTypes) {
                if (entry.argument != scan.argument()) continue;
                state.TypeDest = entry.type;
                if (state.RelocAdr == 0) state.RelocAdr = entry.default_reloc;
            }
            break;
        case 'r':
            state.RelocAdr = read_address(scan.argument());
            infer_type(state, state.RelocAdr);
            break;
        case 'b':
            state.BrAdr = read_address(scan.argument());
            infer_type(state, state.BrAdr);
            break;
        case 'n':
            if (!fit::set_k7_name(state.K7Name, scan.argument())) return 1;
            break;
        case 'l': {
            // The whole number read decides: 4294967297 is not 1.
            const long kind = std::strtol(fit::after_first(scan.argument()), nullptr, 10);
            if (kind != 1 && kind != 2) {
                std::fputs("Basic loader must be type 1 or 2 (80 col mode init).\n", stderr);
                return 1;
            }
            state.loaderk7 = static_cast<int>(kind);
            break;
        }
        case 'p':
            state.pagination = true;
            break;
        case 'c':
            state.clearvdp = true;
            break;
        default:
            fit::report_bad_option(scan.bad_option(), "trbnl");
            return 1;
        }
    }

    if (state.TypeDest == kNone) {
        state.TypeDest = kEXE;
        state.RelocAdr = 0x1000;
    }
    if (state.BrAdr == 0) {
        state.BrAdr = state.RelocAdr;
    } else if (state.RelocAdr == 0) {
        state.RelocAdr = state.BrAdr;
    } else if (state.BrAdr < state.RelocAdr) {
        std::fputs("Branch Address must be greater than Relocation Adress.\n", stderr);
        return 1;
    }

    return fit::take_source_and_target(scan.names(), state.source, state.target, report, kSameName)
               ? 0
               : 1;
}

}  // namespace codefit
