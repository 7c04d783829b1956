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

constexpr fit::LongOptions kLongOptions({"type=", "load=", "entry=", "name=", "loader=", "paged",
                                          "clear-screen"});

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
           "  -c       --clear-screen  EXE: clear the video memory before starting\n" +
           fit::converter_help_common(27) +
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

std::string usage_line() {
    return fit::usage_with_types("codefit", kTargetTypes,
                                 " [-r:0xRelocAdr] [-b:0xBranchAdr] [-n:4LettersK7Filename]"
                                 " [-l:1|2] [-p] [-c]\n");
}

constexpr fit::CommandLine kCommandLine{"codefit", "Codefit", "hpct:r:b:n:l:", kLongOptions,
                                        help_text, usage_line};

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
    state.type_number = fit::row_number(kTargetTypes, type);
    if (state.load_address == 0 || (long_form && by_type)) {
        state.load_address = type.default_reloc;
        by_type = true;
    }
}

std::optional<std::uint16_t> strict_address(const fit::OptionScanner& scan) {
    const auto value = fit::parse_hex_strictly(scan.argument(), 0xFFFF);
    if (!value) {
        fit::refuse_value(kCommandLine.program, scan.long_name(), scan.argument(),
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
        fit::refuse_value(kCommandLine.program, "loader", argument, "unknown loader; use 1 or 2");
        return false;
    }
    state.loaderk7 = argument[0] - '0';
    return true;
}

// -r and -b as strtol reads them, --load and --entry whole and in range; each address
// given while no type is chosen chooses one by its value.
int take_address(int c, const fit::OptionScanner& scan, State& state, bool& reloc_by_type) {
    std::uint16_t address = 0;
    if (c == 'r' || c == 'b') {
        address = read_address(scan.argument());
    } else {
        const auto strict = strict_address(scan);
        if (!strict) return fit::kRefused;
        address = *strict;
    }
    const bool load = c == 'r' || c == kLongOptions.code("load");
    (load ? state.load_address : state.entry_address) = address;
    if (load) reloc_by_type = false;
    infer_type(state, address);
    return fit::kGoOn;
}

// One of codefit's own options; nothing for any other.
std::optional<int> take_option(int c, const fit::OptionScanner& scan, State& state,
                               bool& reloc_by_type) {
    switch (c) {
    case 't':
        if (const TargetType* type = fit::type_of_short(kTargetTypes, scan.argument()))
            choose_type(state, *type, reloc_by_type, false);
        return fit::kGoOn;
    case kLongOptions.code("type"): {
        const TargetType* type = fit::type_of_long(kCommandLine.program, kTargetTypes, scan.argument());
        if (type == nullptr) return fit::kRefused;
        choose_type(state, *type, reloc_by_type, true);
        return fit::kGoOn;
    }
    case 'r':
    case 'b':
    case kLongOptions.code("load"):
    case kLongOptions.code("entry"):
        return take_address(c, scan, state, reloc_by_type);
    case 'n':
        return fit::go_on_if(media::set_k7_name(state.K7Name, scan.argument()));
    case kLongOptions.code("name"):
        return fit::go_on_if(
            media::set_k7_name_strictly(state.K7Name, kCommandLine.program, scan.argument()));
    case 'l':
    case kLongOptions.code("loader"):
        return fit::go_on_if(take_loader(c, scan.argument(), state));
    case 'p':
    case kLongOptions.code("paged"):
        state.pagination = true;
        return fit::kGoOn;
    case 'c':
    case kLongOptions.code("clear-screen"):
        state.clearvdp = true;
        return fit::kGoOn;
    default:
        return std::nullopt;
    }
}

// After the options: the default type, the addresses completed from each other, then
// the source and target names.
int finish(const std::vector<std::string>& names, State& state, fit::Reporter& report) {
    if (state.type_number == kNone) {
        state.type_number = fit::row_number(kTargetTypes, kTargetTypes.front());
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

    return fit::go_on_if(fit::take_source_and_target(names, state, report, kSameName));
}

}  // namespace

fit::OptionTable option_table() {
    return {kCommandLine.program, kCommandLine.shorts, "", kLongOptions,
            {{"type", fit::row_names(kTargetTypes, true)},
             {"t", fit::row_names(kTargetTypes, false, ":")},
             {"loader", {"1", "2"}}}};
}

const fit::CommandLine& command_line() { return kCommandLine; }

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    bool reloc_by_type = false;
    std::vector<std::string> names;
    const int parsed = fit::read_command_line(
        kCommandLine, argc, argv, state,
        [&](int c, const fit::OptionScanner& scan) {
            return take_option(c, scan, state, reloc_by_type);
        },
        names);
    return parsed != fit::kGoOn ? parsed : finish(names, state, report);
}

}  // namespace codefit
