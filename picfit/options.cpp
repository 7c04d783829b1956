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

constexpr fit::LongOptions kLongOptions({"two-colour", "no-dump", "dump=", "map=", "dither=",
                                          "background=", "fit", "preview="});

std::string help_text() {
    return "Usage: picfit [options] sourceFile targetFile\n"
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
}

// -h's line, as it has always read.
std::string usage_line() { return "Usage: picfit sourceFile targetFile [-b]\n"; }

constexpr fit::CommandLine kCommandLine{"picfit", "Picfit", "hb", kLongOptions,
                                        help_text, usage_line};

template <std::size_t N>
int choice(std::string_view value, const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == value) return static_cast<int>(i) + 1;
    return 0;
}

constexpr std::array<std::string_view, 2> kMaps{"index", "colour"};
// choice() numbers the names from 1, as ColourMap does.
static_assert(kMapIndex == 1 && kMapColour == 2);
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

// --dump=FILE and --preview=FILE: a name, never an empty one.
int take_file_option(int c, const fit::OptionScanner& scan, State& state) {
    const std::string_view value = scan.argument();
    if (value.empty()) {
        fit::refuse_value(kCommandLine.program, scan.long_name(), value, "needs a file name");
        return fit::kRefused;
    }
    if (c == kLongOptions.code("dump")) {
        state.dump = kDumpToFile;
        state.dump_to = value;
    } else {
        state.preview = std::string(value);
    }
    return fit::kGoOn;
}

// --map, --dither and --background: a name of theirs, or a refusal.
int take_choice(int c, std::string_view value, State& state) {
    if (c == kLongOptions.code("map")) {
        state.map = static_cast<ColourMap>(choice(value, kMaps));
        if (state.map != kMapUnset) return fit::kGoOn;
        fit::refuse_value(kCommandLine.program, "map", value, "unknown map; use index or colour");
    } else if (c == kLongOptions.code("dither")) {
        // The names are the dithering's own; the option keeps their order after unset.
        if (const auto named = dither_named(value)) {
            state.dither = static_cast<DitherOption>(static_cast<int>(*named) + kDitherNone);
            return fit::kGoOn;
        }
        fit::refuse_value(kCommandLine.program, "dither", value,
                          "unknown dither; use none, floyd-steinberg, atkinson, "
                          "bayer4 or bayer8");
    } else {
        state.background = background_named(value);
        if (state.background) return fit::kGoOn;
        fit::refuse_value(kCommandLine.program, "background", value,
                          "unknown colour; use black, red, green, yellow, blue, "
                          "magenta, cyan, white or #RRGGBB");
    }
    return fit::kRefused;
}

// One of picfit's own options; nothing for any other.
std::optional<int> take_option(int c, const fit::OptionScanner& scan, State& state) {
    switch (c) {
    case 'b':
    case kLongOptions.code("two-colour"):
        state.mode = kTwoColour;
        return fit::kGoOn;
    case kLongOptions.code("no-dump"):
        state.dump = kNoDump;
        state.dump_to.clear();
        return fit::kGoOn;
    case kLongOptions.code("dump"):
    case kLongOptions.code("preview"):
        return take_file_option(c, scan, state);
    case kLongOptions.code("map"):
    case kLongOptions.code("dither"):
    case kLongOptions.code("background"):
        return take_choice(c, scan.argument(), state);
    case kLongOptions.code("fit"):
        state.fit_picture = true;
        return fit::kGoOn;
    default:
        return std::nullopt;
    }
}

}  // namespace

fit::OptionTable option_table() {
    // Every way dither_name names, in the order of Dither.
    std::vector<std::string> dithers;
    for (int i = 0; dither_named(dither_name(static_cast<Dither>(i))) == static_cast<Dither>(i); ++i)
        dithers.emplace_back(dither_name(static_cast<Dither>(i)));
    return {kCommandLine.program, kCommandLine.shorts, "", kLongOptions,
            {{"dither", dithers},
             {"map", {kMaps.begin(), kMaps.end()}},
             {"background", {kColourNames.begin(), kColourNames.end()}},
             {"dump", {}},
             {"preview", {}}}};
}

const fit::CommandLine& command_line() { return kCommandLine; }

int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report) {
    std::vector<std::string> names;
    const int parsed = fit::read_command_line(kCommandLine, argc, argv, state, take_option, names);
    if (parsed != fit::kGoOn) return parsed;
    return fit::go_on_if(fit::take_source_and_target(names, state, report, kSameName));
}

}  // namespace picfit
