#include "options.hpp"

#include <array>
#include <cstdio>
#include <string_view>

#include "common/file_io.hpp"
#include "common/options.hpp"
#include "media/rom_image.hpp"

namespace fitinfo {

namespace {

// The ROM's code window bounds what -r and -s may give: a load address that leaves
// room for one byte of code, and a size that fits from the window's start. The
// messages below spell the same numbers.
constexpr unsigned long kRomLoadFirst = media::kRomCodeWindow.first;
constexpr unsigned long kRomLoadLast = media::kRomCodeWindow.last - 1;
constexpr unsigned long kRomSizeLast = media::kRomCodeWindow.last - media::kRomBase;
static_assert(kRomLoadFirst == 0x0200 && kRomLoadLast == 0x7FFA && kRomSizeLast == 0x7DFB);
constexpr fit::LongOptions kLongOptions({"extract=", "rom-load=", "rom-size=", "json"});

std::string usage_line() {
    return "Usage: fitinfo [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file...\n"
           "       fitinfo -x outFile [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file\n";
}

std::string help_text() {
    return "Usage: fitinfo [options] file...\n"
           "       fitinfo -x outFile [options] file\n"
           "Summarise and verify the machine's files; take out the payload of one.\n"
           "\n"
           "  -x FILE  --extract=FILE   write the payload of the one file to FILE\n"
           "  -r:ADDR  --rom-load=ADDR  load address of a bare ROM image (0200 to 7FFA)\n"
           "  -s:SIZE  --rom-size=SIZE  code size of a bare ROM image (1 to 7DFB)\n"
           "           --json           one JSON document for all files, not the summary\n"
           "           --quiet          only the fault lines\n"
           "           --verbose        after a failed read or write, the system's reason\n"
           "  -h                        the usage lines (exit status 1)\n"
           "           --help           this text\n"
           "           --version        the program's name and version\n"
           "\n"
           "Addresses and sizes are hexadecimal, with or without 0x. A file named - is\n"
           "standard input; -x - writes the payload alone on standard output, the summary\n"
           "or the JSON document then going to standard error.\n"
           "Exit status: 0 valid, 2 unreadable, 3 broken, 4 unrecognised, 5 payload not\n"
           "written.\n"
           "\n"
           "Examples:\n"
           "  fitinfo game.k7 game.exe\n"
           "  fitinfo --extract=code.bin game.k7\n"
           "  fitinfo --rom-load=1000 cart.rom\n"
           "  fitinfo --json *.k7 *.exe > report.json\n"
           "  fitinfo -x - game.k7 > code.bin\n";
}

// No banner: fitinfo's standard output is its report.
constexpr fit::CommandLine kCommandLine{"fitinfo", "Fitinfo", "hx:r:s:", kLongOptions,
                                        help_text, usage_line, false};

bool same_file(const std::string& a, const std::string& b) {
    return a == b || fit::same_file(a, b);
}

// The file names after the options: at least one, exactly one with -x, which must not
// name it.
int take_files(const std::vector<std::string>& names, Settings& settings) {
    settings.files = names;
    if (settings.files.empty()) {
        std::fputs("At least one file required.\n", stderr);
        return fit::kRefused;
    }
    if (settings.extract_to) {
        if (settings.files.size() != 1) {
            std::fputs("One file required with -x.\n", stderr);
            return fit::kRefused;
        }
        if (settings.extract_to->empty()) {
            std::fputs("Option -x requires an argument.\n", stderr);
            return fit::kRefused;
        }
        settings.extract_to_stdout = fit::is_standard_stream(*settings.extract_to);
        const std::string& read = settings.files[0];
        const std::string& written = *settings.extract_to;
        if (!settings.extract_to_stdout &&
            (fit::is_standard_stream(read) ? fit::standard_input_is(written)
                                           : same_file(read, written))) {
            std::fputs(fit::text::same_filename.data(), stderr);
            return fit::kRefused;
        }
    }
    return fit::kGoOn;
}

// --rom-load and --rom-size, whole and in the code window.
int take_rom_long(int c, const fit::OptionScanner& scan, Settings& settings) {
    const bool load = c == kLongOptions.code("rom-load");
    const auto value = fit::parse_hex_strictly(scan.argument(), load ? kRomLoadLast : kRomSizeLast);
    if (!value || *value < (load ? kRomLoadFirst : 1U)) {
        fit::refuse_value(kCommandLine.program, scan.long_name(), scan.argument(),
                          load ? "not a ROM load address; use hexadecimal 0200 to 7FFA"
                               : "not a ROM code size; use hexadecimal 1 to 7DFB");
        return fit::kRefused;
    }
    (load ? settings.rom_load : settings.rom_size) = static_cast<std::uint16_t>(*value);
    return fit::kGoOn;
}

// One of fitinfo's own options; nothing for any other.
std::optional<int> take_option(int c, const fit::OptionScanner& scan, Settings& settings) {
    switch (c) {
    case 'x':
    case kLongOptions.code("extract"):
        settings.extract_to = scan.argument();
        return fit::kGoOn;
    case kLongOptions.code("rom-load"):
    case kLongOptions.code("rom-size"):
        return take_rom_long(c, scan, settings);
    case 'r':
        settings.rom_load = parse_hex(scan.argument(), kRomLoadFirst, kRomLoadLast);
        if (settings.rom_load) return fit::kGoOn;
        std::fputs("Incorrect ROM load address (0x0200 to 0x7FFA).\n", stderr);
        return fit::kRefused;
    case 's':
        settings.rom_size = parse_hex(scan.argument(), 1, kRomSizeLast);
        if (settings.rom_size) return fit::kGoOn;
        std::fputs("Incorrect ROM code size (0x1 to 0x7DFB).\n", stderr);
        return fit::kRefused;
    case kLongOptions.code("json"):
        settings.json = true;
        return fit::kGoOn;
    default:
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::uint16_t> parse_hex(const char* argument, unsigned lowest, unsigned highest) {
    std::string_view text(argument);
    if (text.starts_with(':')) text.remove_prefix(1);
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        const int digit = fit::hex_digit(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    if (value < lowest || value > highest) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

fit::OptionTable option_table() {
    return {kCommandLine.program, kCommandLine.shorts, "", kLongOptions, {{"extract", {}}, {"x", {}}}};
}

int ManageArguments(int argc, char** argv, Settings& settings) {
    std::vector<std::string> names;
    const int parsed = fit::read_command_line(kCommandLine, argc, argv, settings, take_option, names);
    return parsed != fit::kGoOn ? parsed : take_files(names, settings);
}

}  // namespace fitinfo
