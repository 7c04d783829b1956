#include "options.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "types.hpp"

namespace codefit {

namespace {

constexpr std::string_view kProgram = "codefit";
constexpr const char* kShortOptions = "hpct:r:b:n:l:";

enum LongCode : int {
    kLongType = fit::kFirstOwnLongCode,
    kLongLoad,
    kLongEntry,
    kLongName,
    kLongLoader,
    kLongPaged,
    kLongClearScreen,
};

constexpr std::array<fit::LongOption, 7> kLongOptions{{
    {"type", true, kLongType},
    {"load", true, kLongLoad},
    {"entry", true, kLongEntry},
    {"name", true, kLongName},
    {"loader", true, kLongLoader},
    {"paged", false, kLongPaged},
    {"clear-screen", false, kLongClearScreen},
}};

constexpr const char* kHelp =
    "Usage: codefit [options] sourceFile targetFile\n"
    "Turn a machine-code image into a file the target machine loads.\n"
    "\n"
    "  -t:TYPE  --type=TYPE     target: EXE (default), DOS, ROM, K7 or BAS\n"
    "  -r:ADDR  --load=ADDR     load address (default 1000; K7 C300, BAS C380)\n"
    "  -b:ADDR  --entry=ADDR    entry address (default: the load address)\n"
    "  -n:NAME  --name=NAME     cassette name, 1 to 4 characters\n"
    "  -l:1|2   --loader=1|2    K7: put BASIC loader 1 or 2 before the code\n"
    "  -p       --paged         ROM: mark the cartridge as paged\n"
    "  -c       --clear-screen  EXE: clear the video memory before starting\n"
    "           --quiet         no banner and no \"file written\" line; errors only\n"
    "           --verbose       after an error of the system, its reason\n"
    "  -h                       the usage line (exit status 1)\n"
    "           --help          this text\n"
    "           --version       the program's name and version\n"
    "\n"
    "A file named - is standard input as the source, standard output as the target\n"
    "(then the banner and every message go to standard error); ./- is a file.\n"
    "Addresses are hexadecimal. A short option's value follows one character that\n"
    "is skipped (-r:C400); a long option's follows '=' or is the next word\n"
    "(--load C400), must be whole and in range, and --type takes any case.\n"
    "\n"
    "Examples:\n"
    "  codefit game.bin game.exe\n"
    "  codefit --type=k7 --load=C400 --name=GAME --loader=1 game.bin game.k7\n"
    "  codefit -t:ROM -p cart.bin cart.rom\n"
    "  codefit --quiet --type=k7 game.bin - | fitinfo -\n";

std::uint16_t read_address(const char* argument) {
    // strtol's whole reading, kept to the 16 bits of the target's address space.
    return static_cast<std::uint16_t>(std::strtol(fit::after_first(argument), nullptr, 16));
}

void infer_type(State& state, std::uint16_t address) {
    if (state.TypeDest == kNone) state.TypeDest = address > 0xBFFE ? kK7 : kEXE;
}

// `by_type` tells that the load address is the default of the type chosen before, not
// one given: a later --type then puts its own default there (a later -t never did).
void choose_type(State& state, const TargetType& type, bool& by_type, bool long_form) {
    state.TypeDest = type.TypeDest;
    if (state.RelocAdr == 0 || (long_form && by_type)) {
        state.RelocAdr = type.default_reloc;
        by_type = true;
    }
}

const TargetType* type_named(std::string_view name) {
    for (const auto& type : kTargetTypes)
        if (fit::same_name_any_case(name, type.name)) return &type;
    return nullptr;
}

std::optional<std::uint16_t> strict_address(const fit::OptionScanner& scan) {
    const auto value = fit::parse_hex_strictly(scan.argument(), 0xFFFF);
    if (!value) {
        fit::refuse_value(kProgram, scan.long_name(), scan.argument(),
                          "not an address; use hexadecimal 0 to FFFF, as in C400 or 0xC400");
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

}  // namespace

fit::Outline outline(int argc, char** argv) {
    return fit::outline(argc, argv, kShortOptions, kLongOptions);
}

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    const std::string_view version = fit::version_name(outline(argc, argv), "Codefit");
    fit::OptionScanner scan(argc, argv, kShortOptions, kLongOptions, kProgram);
    bool reloc_by_type = false;
    for (int c = scan.next(); c != -1; c = scan.next()) {
        if (const auto common = fit::take_common_long(c, state, kHelp, version)) {
            if (*common != fit::kGoOn) return *common;
            continue;
        }
        switch (c) {
        case 'h':
            std::fputs("Usage: codefit sourceFile targetFile [-t:EXE|DOS|ROM|K7|BAS] "
                       "[-r:0xRelocAdr] [-b:0xBranchAdr] [-n:4LettersK7Filename] [-l:1|2] "
                       "[-p] [-c]\n",
                       stdout);
            return fit::kRefused;
        case 't': {
            const std::string_view argument = scan.argument();
            if (argument.starts_with(':'))
                for (const auto& type : kTargetTypes)
                    if (argument.substr(1) == type.name)
                        choose_type(state, type, reloc_by_type, false);
            break;
        }
        case kLongType: {
            const TargetType* type = type_named(scan.argument());
            if (type == nullptr) {
                fit::refuse_value(kProgram, "type", scan.argument(),
                                  "unknown type; use exe, dos, rom, k7 or bas");
                return fit::kRefused;
            }
            choose_type(state, *type, reloc_by_type, true);
            break;
        }
        case 'r':
            state.RelocAdr = read_address(scan.argument());
            reloc_by_type = false;
            infer_type(state, state.RelocAdr);
            break;
        case 'b':
            state.BrAdr = read_address(scan.argument());
            infer_type(state, state.BrAdr);
            break;
        case kLongLoad:
        case kLongEntry: {
            const auto address = strict_address(scan);
            if (!address) return fit::kRefused;
            (c == kLongLoad ? state.RelocAdr : state.BrAdr) = *address;
            if (c == kLongLoad) reloc_by_type = false;
            infer_type(state, *address);
            break;
        }
        case 'n':
            if (!fit::set_k7_name(state.K7Name, scan.argument())) return fit::kRefused;
            break;
        case kLongName:
            if (!fit::set_k7_name_strictly(state.K7Name, kProgram, scan.argument()))
                return fit::kRefused;
            break;
        case 'l': {
            // The whole number read decides: 4294967297 is not 1.
            const long kind = std::strtol(fit::after_first(scan.argument()), nullptr, 10);
            if (kind != 1 && kind != 2) {
                std::fputs("Basic loader must be type 1 or 2 (80 col mode init).\n", stderr);
                return fit::kRefused;
            }
            state.loaderk7 = static_cast<int>(kind);
            break;
        }
        case kLongLoader: {
            const std::string_view kind = scan.argument();
            if (kind != "1" && kind != "2") {
                fit::refuse_value(kProgram, "loader", kind, "unknown loader; use 1 or 2");
                return fit::kRefused;
            }
            state.loaderk7 = kind[0] - '0';
            break;
        }
        case 'p':
        case kLongPaged:
            state.pagination = true;
            break;
        case 'c':
        case kLongClearScreen:
            state.clearvdp = true;
            break;
        default:
            fit::report_bad_option(scan.bad_option(), "trbnl");
            return fit::kRefused;
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
        return fit::kRefused;
    }

    if (!fit::take_source_and_target(scan.names(), state.source, state.target, report,
                                     kSameName))
        return fit::kRefused;
    state.source_is_stdin = fit::is_standard_stream(state.source);
    state.target_is_stdout = fit::is_standard_stream(state.target);
    return fit::kGoOn;
}

}  // namespace codefit
