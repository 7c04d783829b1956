#include "options.hpp"

#include <cstdio>

#include "common/file_io.hpp"
#include "common/options.hpp"

namespace fitinfo {

namespace {
constexpr const char* kUsageText =
    "Usage: fitinfo [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file...\n"
    "       fitinfo -x outFile [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file\n";

bool same_file(const std::string& a, const std::string& b) {
    return a == b || fit::same_file(a, b);
}
}  // namespace

std::optional<std::uint16_t> parse_hex(const char* argument, unsigned lowest, unsigned highest) {
    std::string_view text(argument);
    if (text.starts_with(':')) text.remove_prefix(1);
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    if (value < lowest || value > highest) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

int ManageArguments(int argc, char** argv, Settings& settings) {
    fit::OptionScanner scanner(argc, argv, "hx:r:s:");
    for (int c = scanner.next(); c != -1; c = scanner.next()) {
        switch (c) {
        case 'h':
            std::fputs(kUsageText, stdout);
            return 1;
        case 'x':
            settings.extract_to = scanner.argument();
            break;
        case 'r':
            settings.rom_load = parse_hex(scanner.argument(), 0x0200, 0x7FFA);
            if (!settings.rom_load) {
                std::fputs("Incorrect ROM load address (0x0200 to 0x7FFA).\n", stderr);
                return 1;
            }
            break;
        case 's':
            settings.rom_size = parse_hex(scanner.argument(), 1, 0x7DFB);
            if (!settings.rom_size) {
                std::fputs("Incorrect ROM code size (0x1 to 0x7DFB).\n", stderr);
                return 1;
            }
            break;
        default:
            fit::report_bad_option(scanner.bad_option(), "xrs");
            return 1;
        }
    }
    settings.files = scanner.names();
    if (settings.files.empty()) {
        std::fputs("At least one file required.\n", stderr);
        return 1;
    }
    if (settings.extract_to) {
        if (settings.files.size() != 1) {
            std::fputs("One file required with -x.\n", stderr);
            return 1;
        }
        if (settings.extract_to->empty()) {
            std::fputs("Option -x requires an argument.\n", stderr);
            return 1;
        }
        if (same_file(settings.files[0], *settings.extract_to)) {
            std::fputs("Same filename for source and target files.\n", stderr);
            return 1;
        }
    }
    return 0;
}

}  // namespace fitinfo
