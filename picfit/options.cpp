#include "options.hpp"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/options.hpp"
#include "dither.hpp"

namespace picfit {

namespace {

constexpr std::string_view kProgram = "picfit";

constexpr const char* kShortOptions = "hb";

enum LongCode : int {
    kLongTwoColour = fit::kFirstOwnLongCode,
    kLongNoDump,
    kLongDump,
    kLongMap,
    kLongDither,
    kLongBackground,
    kLongFit,
    kLongPreview,
};

constexpr std::array<fit::LongOption, 8> kLongOptions{{
    {"two-colour", false, kLongTwoColour},
    {"no-dump", false, kLongNoDump},
    {"dump", true, kLongDump},
    {"map", true, kLongMap},
    {"dither", true, kLongDither},
    {"background", true, kLongBackground},
    {"fit", false, kLongFit},
    {"preview", true, kLongPreview},
}};

constexpr const char* kHelp =
    "Usage: picfit [options] sourceFile targetFile\n"
    "Turn a PCX, PNG, JPEG, GIF or BMP picture (told by content) into a TAV file.\n"
    "\n"
    "  -b  --two-colour       two-colour mode, one bit a pixel (default: colour)\n"
    "      --fit              scale a picture the mode does not take as it is\n"
    "      --dither=WAY       for colours off the palette: floyd-steinberg\n"
    "                         (default), atkinson, bayer4, bayer8 or none\n"
    "      --map=index|colour a PCX pixel's colour: its palette index (default)\n"
    "                         or the colour its palette gives it\n"
    "      --background=COLOUR  under transparent parts: black (default), red,\n"
    "                         green, yellow, blue, magenta, cyan, white, #RRGGBB\n"
    "      --preview=FILE     also write a PNG of the TAV file as written\n"
    "      --dump=FILE        leave the decoded pixels in FILE (default: truc.raw)\n"
    "      --no-dump          leave no dump\n"
    "      --quiet            print errors only\n"
    "      --verbose          say more about a refused picture\n"
    "  -h                     the usage line (exit status 1)\n"
    "      --help             this text\n"
    "      --version          the program's name and version\n"
    "  A source or target named - is standard input or output.\n"
    "\n"
    "Examples:\n"
    "  picfit photo.png title.tav --fit --preview=title.png\n"
    "  picfit title.pcx title.tav\n"
    "  picfit --two-colour logo.pcx logo.tav\n";

template <std::size_t N>
int choice(std::string_view value, const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == value) return static_cast<int>(i) + 1;
    return 0;
}

constexpr std::array<std::string_view, 2> kMaps{"index", "colour"};
constexpr std::array<std::string_view, 8> kColourNames{"black", "red",     "green", "yellow",
                                                       "blue",  "magenta", "cyan",  "white"};

std::optional<Background> background_named(std::string_view value) {
    if (const int named = choice(value, kColourNames); named != 0)
        return Background{named - 1, 0};
    if (value.size() != 7 || !value.starts_with('#')) return std::nullopt;
    // parse_hex_strictly would take a "0x" after the '#'.
    for (const char c : value.substr(1))
        if (fit::hex_digit(c) < 0) return std::nullopt;
    const auto rgb = fit::parse_hex_strictly(value.substr(1), 0xFFFFFF);
    if (!rgb) return std::nullopt;
    return Background{-1, static_cast<std::uint32_t>(*rgb)};
}

}  // namespace

fit::OptionTable option_table() {
    // Every way dither_name names, in the order of Dither.
    std::vector<std::string> dithers;
    for (int i = 0; dither_named(dither_name(static_cast<Dither>(i))) == static_cast<Dither>(i); ++i)
        dithers.emplace_back(dither_name(static_cast<Dither>(i)));
    return {kProgram, kShortOptions, "", kLongOptions,
            {{"dither", dithers},
             {"map", {kMaps.begin(), kMaps.end()}},
             {"background", {kColourNames.begin(), kColourNames.end()}},
             {"dump", {}},
             {"preview", {}}}};
}

fit::Outline outline(int argc, char** argv) {
    return fit::outline(argc, argv, kShortOptions, kLongOptions);
}

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    const std::string_view version = fit::version_name(outline(argc, argv), "Picfit");
    fit::OptionScanner scan(argc, argv, kShortOptions, kLongOptions, kProgram);
    for (int c = scan.next(); c != -1; c = scan.next()) {
        const std::string_view value = scan.argument();
        if (const auto common = fit::take_common_long(c, state, kHelp, version)) {
            if (*common != fit::kGoOn) return *common;
            continue;
        }
        switch (c) {
        case 'h':
            std::fputs("Usage: picfit sourceFile targetFile [-b]\n", stdout);
            return fit::kRefused;
        case 'b':
        case kLongTwoColour:
            state.mode = kTwoColour;
            break;
        case kLongNoDump:
            state.dump = kNoDump;
            state.dump_to.clear();
            break;
        case kLongDump:
        case kLongPreview:
            if (value.empty()) {
                fit::refuse_value(kProgram, scan.long_name(), value, "needs a file name");
                return fit::kRefused;
            }
            if (c == kLongDump) {
                state.dump = kDumpToFile;
                state.dump_to = value;
            } else {
                state.preview = std::string(value);
            }
            break;
        case kLongMap:
            state.map = choice(value, kMaps);
            if (state.map == kMapUnset) {
                fit::refuse_value(kProgram, "map", value, "unknown map; use index or colour");
                return fit::kRefused;
            }
            break;
        case kLongDither:
            // The names are the dithering's own; the option keeps their order after unset.
            if (const auto named = dither_named(value)) {
                state.dither = static_cast<int>(*named) + kDitherNone;
            } else {
                fit::refuse_value(kProgram, "dither", value,
                                  "unknown dither; use none, floyd-steinberg, atkinson, "
                                  "bayer4 or bayer8");
                return fit::kRefused;
            }
            break;
        case kLongBackground:
            state.background = background_named(value);
            if (!state.background) {
                fit::refuse_value(kProgram, "background", value,
                                  "unknown colour; use black, red, green, yellow, blue, "
                                  "magenta, cyan, white or #RRGGBB");
                return fit::kRefused;
            }
            break;
        case kLongFit:
            state.fit_picture = true;
            break;
        default:
            fit::report_bad_option(scan.bad_option(), "");
            return fit::kRefused;
        }
    }
    if (!fit::take_source_and_target(scan.names(), state.source, state.target, report,
                                     kSameName))
        return fit::kRefused;
    state.source_is_stdin = fit::is_standard_stream(state.source);
    state.target_is_stdout = fit::is_standard_stream(state.target);
    return fit::kGoOn;
}

}  // namespace picfit
