#include "options.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

std::string hex4(std::uint16_t value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// The help, its type and load address lines made from the type table.
std::string help_text() {
    std::vector<std::string> types = fit::row_names(kTargetTypes);
    types.front() += " (default)";
    const std::uint16_t load = kTargetTypes.front().default_reloc;
    std::string loads;
    for (const auto& type : kTargetTypes)
        if (type.default_reloc != load)
            loads += (loads.empty() ? "; " : ", ") + std::string(type.name) + " " +
                     hex4(type.default_reloc);
    return "Usage: codefit [options] sourceFile targetFile\n"
           "Turn a machine-code image into a file the target machine loads.\n"
           "\n"
           "  -t:TYPE  --type=TYPE     target: " + fit::spoken_list(types) + "\n"
           "  -r:ADDR  --load=ADDR     load address (default " + hex4(load) + loads + ")\n"
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
}

// -h's line, as it has always read.
std::string usage_line() {
    const std::string types = fit::joined(fit::row_names(kTargetTypes), "|");
    return "Usage: codefit sourceFile targetFile [-t:" + types +
           "] [-r:0xRelocAdr] [-b:0xBranchAdr] [-n:4LettersK7Filename] [-l:1|2] [-p] [-c]\n";
}

std::uint16_t read_address(const char* argument) {
    // strtol's whole reading, kept to the 16 bits of the target's address space.
    return static_cast<std::uint16_t>(std::strtol(fit::after_first(argument), nullptr, 16));
}

void infer_type(State& state, std::uint16_t address) {
    if (state.type_number == kNone) state.type_number = address > 0xBFFE ? kK7 : kEXE;
}

// `by_type` tells that the load address is the default of the type chosen before, not
// one given: a later --type then puts its own default there (a later -t never did).
void choose_type(State& state, const TargetType& type, bool& by_type, bool long_form) {
    state.type_number = type.type_number;
    if (state.load_address == 0 || (long_form && by_type)) {
        state.load_address = type.default_reloc;
        by_type = true;
    }
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

// -l:1 reads a number as strtol does, --loader=1 takes exactly "1" or "2"; false after
// the refusal.
bool take_loader(int c, std::string_view argument, State& state) {
    if (c == 'l') {
        // The whole number read decides: 4294967297 is not 1.
        const long kind = std::strtol(fit::after_first(argument.data()), nullptr, 10);
        if (kind != 1 && kind != 2) {
            std::fputs("Basic loader must be type 1 or 2 (80 col mode init).\n", stderr);
            return false;
        }
        state.loaderk7 = static_cast<int>(kind);
        return true;
    }
    if (argument != "1" && argument != "2") {
        fit::refuse_value(kProgram, "loader", argument, "unknown loader; use 1 or 2");
        return false;
    }
    state.loaderk7 = argument[0] - '0';
    return true;
}

// After the options: the default type, the addresses completed from each other, then
// the source and target names.
int finish(const std::vector<std::string>& names, State& state, fit::Reporter& report) {
    if (state.type_number == kNone) {
        state.type_number = kTargetTypes.front().type_number;
        state.load_address = kTargetTypes.front().default_reloc;
    }
    if (state.entry_address == 0) {
        state.entry_address = state.load_address;
    } else if (state.load_address == 0) {
        state.load_address = state.entry_address;
    } else if (state.entry_address < state.load_address) {
        std::fputs("Branch Address must be greater than Relocation Adress.\n", stderr);
        return fit::kRefused;
    }

    if (!fit::take_source_and_target(names, state.source, state.target, report,
                                     kSameName))
        return fit::kRefused;
    state.source_is_stdin = fit::is_standard_stream(state.source);
    state.target_is_stdout = fit::is_standard_stream(state.target);
    return fit::kGoOn;
}

}  // namespace

fit::OptionTable option_table() {
    return {kProgram, kShortOptions, "", kLongOptions,
            {{"type", fit::row_names(kTargetTypes, true)},
             {"t", fit::row_names(kTargetTypes, false, ":")},
             {"loader", {"1", "2"}}}};
}

fit::Outline outline(int argc, char** argv) {
    return fit::outline(argc, argv, kShortOptions, kLongOptions);
}

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    const std::string_view version = fit::version_name(outline(argc, argv), "Codefit");
    fit::OptionScanner scan(argc, argv, kShortOptions, kLongOptions, kProgram);
    bool reloc_by_type = false;
    for (int c = scan.next(); c != -1; c = scan.next()) {
        if (const auto common = fit::take_common_long(c, state, help_text().c_str(), version)) {
            if (*common != fit::kGoOn) return *common;
            continue;
        }
        switch (c) {
        case 'h':
            std::fputs(usage_line().c_str(), stdout);
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
            const TargetType* type = fit::row_named(kTargetTypes, scan.argument());
            if (type == nullptr) {
                fit::refuse_value(kProgram, "type", scan.argument(),
                                  "unknown type; use " +
                                      fit::spoken_list(fit::row_names(kTargetTypes, true)));
                return fit::kRefused;
            }
            choose_type(state, *type, reloc_by_type, true);
            break;
        }
        case 'r':
            state.load_address = read_address(scan.argument());
            reloc_by_type = false;
            infer_type(state, state.load_address);
            break;
        case 'b':
            state.entry_address = read_address(scan.argument());
            infer_type(state, state.entry_address);
            break;
        case kLongLoad:
        case kLongEntry: {
            const auto address = strict_address(scan);
            if (!address) return fit::kRefused;
            (c == kLongLoad ? state.load_address : state.entry_address) = *address;
            if (c == kLongLoad) reloc_by_type = false;
            infer_type(state, *address);
            break;
        }
        case 'n':
            if (!media::set_k7_name(state.K7Name, scan.argument())) return fit::kRefused;
            break;
        case kLongName:
            if (!media::set_k7_name_strictly(state.K7Name, kProgram, scan.argument()))
                return fit::kRefused;
            break;
        case 'l':
        case kLongLoader:
            if (!take_loader(c, scan.argument(), state)) return fit::kRefused;
            break;
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

    return finish(scan.names(), state, report);
}

}  // namespace codefit
