#include "options.hpp"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "media/cassette.hpp"
#include "types.hpp"

namespace datafit {

namespace {

// No target states a piece longer than a cassette block.
constexpr unsigned long kLargestPiece = media::kLongestBlock;

constexpr fit::LongOptions kLongOptions({"type=", "header=", "record=", "name="});

// The help, its type line made from the type table.
std::string help_text() {
    std::vector<std::string> types = fit::row_names(kTargetTypes);
    types.front() += " (default)";
    return "Usage: datafit [options] sourceFile targetFile\n"
           "Turn data into a disk record file, a cassette file or an assembler listing.\n"
           "\n"
           "  -t:TYPE  --type=TYPE    target: " + fit::spoken_list(types) + "\n"
           "  -H:SIZE  --header=SIZE  bytes at the start that form a piece of their own\n"
           "  -r:SIZE  --record=SIZE  bytes per record or block after them (0: one piece)\n"
           "  -n:NAME  --name=NAME    cassette name, 1 to 4 characters\n" +
           fit::converter_help_common(26) +
           "Sizes are hexadecimal. A short option's value follows one character that is\n"
           "skipped (-H:80); a long option's follows '=' or is the next word (--header 80),\n"
           "must be whole and at most 10000, and --type takes any case.\n"
           "\n"
           "Examples:\n"
           "  datafit level.dat level.dsk --header=80 --record=100\n"
           "  datafit --type=k7 --name=LVL1 level.dat level.k7\n"
           "  datafit -t:TASM table.bin table.asm\n"
           "  cat level.dat | datafit --quiet --type=k7 - - > level.k7\n";
}

std::string usage_line() {
    return fit::usage_with_types("datafit", kTargetTypes,
                                 " [-H:0xHeaderSize] [-r:0xRecordSize] [-n:4LettersK7Filename]\n");
}

constexpr fit::CommandLine kCommandLine{"datafit", "Datafit", "hit:H:r:n:", kLongOptions,
                                        help_text, usage_line};

std::optional<SizeOption> strict_size(const fit::OptionScanner& scan) {
    const auto value = fit::parse_hex_strictly(scan.argument(), kLargestPiece);
    if (!value) {
        fit::refuse_value(kCommandLine.program, scan.long_name(), scan.argument(),
                          "not a size; use hexadecimal 0 to 10000, as in 80 or 0x80");
        return std::nullopt;
    }
    return SizeOption{static_cast<long>(*value), false};
}

// After the options: the default type, then the source and target names.
int finish(const std::vector<std::string>& names, State& state, fit::Reporter& report) {
    if (state.type_number == kNone) state.type_number = fit::row_number(kTargetTypes, kTargetTypes.front());
    return fit::go_on_if(fit::take_source_and_target(names, state, report, kSameName));
}

// One of datafit's own options; nothing for any other.
std::optional<int> take_option(int c, const fit::OptionScanner& scan, State& state) {
    switch (c) {
    case 'i':
        // Accepted by the option string but selects nothing: stop without a word.
        return fit::kRefused;
    case 't':
        if (const TargetType* type = fit::type_of_short(kTargetTypes, scan.argument()))
            state.type_number = fit::row_number(kTargetTypes, *type);
        return fit::kGoOn;
    case kLongOptions.code("type"): {
        const TargetType* type = fit::type_of_long(kCommandLine.program, kTargetTypes, scan.argument());
        if (type == nullptr) return fit::kRefused;
        state.type_number = fit::row_number(kTargetTypes, *type);
        return fit::kGoOn;
    }
    case 'H':
        state.headerSize = read_size(scan.argument());
        return fit::kGoOn;
    case 'r':
        state.recordSize = read_size(scan.argument());
        return fit::kGoOn;
    case kLongOptions.code("header"):
    case kLongOptions.code("record"): {
        const auto size = strict_size(scan);
        if (!size) return fit::kRefused;
        (c == kLongOptions.code("header") ? state.headerSize : state.recordSize) = *size;
        return fit::kGoOn;
    }
    case 'n':
        return fit::go_on_if(media::set_k7_name(state.K7Name, scan.argument()));
    case kLongOptions.code("name"):
        return fit::go_on_if(
            media::set_k7_name_strictly(state.K7Name, kCommandLine.program, scan.argument()));
    default:
        return std::nullopt;
    }
}

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

fit::OptionTable option_table() {
    return {kCommandLine.program, kCommandLine.shorts, "i", kLongOptions,
            {{"type", fit::row_names(kTargetTypes, true)}, {"t", fit::row_names(kTargetTypes, false, ":")}}};
}

const fit::CommandLine& command_line() { return kCommandLine; }

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    std::vector<std::string> names;
    const int parsed = fit::read_command_line(kCommandLine, argc, argv, state, take_option, names);
    return parsed != fit::kGoOn ? parsed : finish(names, state, report);
}

}  // namespace datafit
