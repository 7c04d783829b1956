#include "options.hpp"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace datafit {

namespace {

struct TypeEntry {
    std::string_view argument;  // compared whole, colon included
    int type;
};

constexpr std::array<TypeEntry, 3> kTypes{{
    {":DOS", kDOS},
    {":K7", kK7},
    {":TASM", kTASM},
}};

}  // namespace

std::optional<int> SizeOption::size() const {
    if (overflow || value < 0 || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

SizeOption read_size(const char* argument) {
    SizeOption size;
    errno = 0;
    size.value = std::strtol(fit::after_first(argument), nullptr, 16);
    size.overflow = errno == ERANGE;
    return size;
}

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    fit::OptionScanner scan(argc, argv, "hit:H:r:n:");
    for (int c = scan.next(); c != -1; c = scan.next()) {
        switch (c) {
        case 'h':
            std::fputs("Usage: datafit sourceFile targetFile [-t:DOS|K7|TASM] "
                       "[-H:0xHeaderSize] [-r:0xRecordSize] [-n:4LettersK7Filename]\n",
                       stdout);
            return 1;
        case 'i':
            // Accepted by the option string but selects nothing: stop without a word.
            return 1;
        case 't':
            for (const auto& entry : kTypes)
                if (entry.argument == scan.argument()) state.TypeDest = entry.type;
            break;
        case 'H':
            state.headerSize = read_size(scan.argument());
            break;
        case 'r':
            state.recordSize = read_size(scan.argument());
            break;
        case 'n':
            if (!fit::set_k7_name(state.K7Name, scan.argument())) return 1;
            break;
        default:
            fit::report_bad_option(scan.bad_option(), "tHrn");
            return 1;
        }
    }

    if (state.TypeDest == kNone) state.TypeDest = kDOS;
    return fit::take_source_and_target(scan.names(), state.source, state.target, report, kSameName)
               ? 0
               : 1;
}

}  // namespace datafit
