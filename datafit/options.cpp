#include "options.hpp"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "types.hpp"

namespace datafit {

namespace {

constexpr std::string_view kProgram = "datafit";
constexpr const char* kShortOptions = "hit:H:r:n:";

// No target states a piece longer than a cassette block of 0x10000 bytes.
constexpr unsigned long kLargestPiece = 0x10000;

enum LongCode : int {
    kLongType = fit::kFirstOwnLongCode,
    kLongHeader,
    kLongRecord,
    kLongName,
};

constexpr std::array<fit::LongOption, 4> kLongOptions{{
    {"type", true, kLongType},
    {"header", true, kLongHeader},
    {"record", true, kLongRecord},
    {"name", true, kLongName},
}};

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
           "  -n:NAME  --name=NAME    cassette name, 1 to 4 characters\n"
           "           --quiet        no banner and no \"file written\" line; errors only\n"
           "           --verbose      after an error of the system, its reason\n"
           "  -h                      the usage line (exit status 1)\n"
           "           --help         this text\n"
           "           --version      the program's name and version\n"
           "\n"
           "A file named - is standard input as the source, standard output as the target\n"
           "(then the banner and every message go to standard error); ./- is a file.\n"
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

// -h's line, as it has always read.
std::string usage_line() {
    const std::string types = fit::joined(fit::row_names(kTargetTypes), "|");
    return "Usage: datafit sourceFile targetFile [-t:" + types +
           "] [-H:0xHeaderSize] [-r:0xRecordSize] [-n:4LettersK7Filename]\n";
}

std::optional<SizeOption> strict_size(const fit::OptionScanner& scan) {
    const auto value = fit::parse_hex_strictly(scan.argument(), kLargestPiece);
    if (!value) {
        fit::refuse_value(kProgram, scan.long_name(), scan.argument(),
                          "not a size; use hexadecimal 0 to 10000, as in 80 or 0x80");
        return std::nullopt;
    }
    return SizeOption{static_cast<long>(*value), false};
}

// --type: any case of a table's name; false after the refusal.
bool take_long_type(std::string_view argument, State& state) {
    const TargetType* entry = fit::row_named(kTargetTypes, argument);
    if (entry == nullptr) {
        fit::refuse_value(kProgram, "type", argument,
                          "unknown type; use " + fit::spoken_list(fit::row_names(kTargetTypes, true)));
        return false;
    }
    state.type_number = entry->type_number;
    return true;
}

// After the options: the default type, then the source and target names.
int finish(const std::vector<std::string>& names, State& state, fit::Reporter& report) {
    if (state.type_number == kNone) state.type_number = kTargetTypes.front().type_number;
    if (!fit::take_source_and_target(names, state.source, state.target, report, kSameName))
        return fit::kRefused;
    state.source_is_stdin = fit::is_standard_stream(state.source);
    state.target_is_stdout = fit::is_standard_stream(state.target);
    return fit::kGoOn;
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
    return {kProgram, kShortOptions, "i", kLongOptions,
            {{"type", fit::row_names(kTargetTypes, true)}, {"t", fit::row_names(kTargetTypes, false, ":")}}};
}

fit::Outline outline(int argc, char** argv) {
    return fit::outline(argc, argv, kShortOptions, kLongOptions);
}

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    const std::string_view version = fit::version_name(outline(argc, argv), "Datafit");
    fit::OptionScanner scan(argc, argv, kShortOptions, kLongOptions, kProgram);
    for (int c = scan.next(); c != -1; c = scan.next()) {
        if (const auto common = fit::take_common_long(c, state, help_text().c_str(), version)) {
            if (*common != fit::kGoOn) return *common;
            continue;
        }
        switch (c) {
        case 'h':
            std::fputs(usage_line().c_str(), stdout);
            return fit::kRefused;
        case 'i':
            // Accepted by the option string but selects nothing: stop without a word.
            return fit::kRefused;
        case 't': {
            const std::string_view argument = scan.argument();
            if (argument.starts_with(':'))
                for (const auto& entry : kTargetTypes)
                    if (argument.substr(1) == entry.name) state.type_number = entry.type_number;
            break;
        }
        case kLongType:
            if (!take_long_type(scan.argument(), state)) return fit::kRefused;
            break;
        case 'H':
            state.headerSize = read_size(scan.argument());
            break;
        case 'r':
            state.recordSize = read_size(scan.argument());
            break;
        case kLongHeader:
        case kLongRecord: {
            const auto size = strict_size(scan);
            if (!size) return fit::kRefused;
            (c == kLongHeader ? state.headerSize : state.recordSize) = *size;
            break;
        }
        case 'n':
            if (!media::set_k7_name(state.K7Name, scan.argument())) return fit::kRefused;
            break;
        case kLongName:
            if (!media::set_k7_name_strictly(state.K7Name, kProgram, scan.argument()))
                return fit::kRefused;
            break;
        default:
            fit::report_bad_option(scan.bad_option(), "tHrn");
            return fit::kRefused;
        }
    }

    return finish(scan.names(), state, report);
}

}  // namespace datafit
