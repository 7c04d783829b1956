// picfit's settings and its option parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/options.hpp"
#include "messages.hpp"
#include "tav.hpp"

namespace picfit {

// Where the raw dump of the decoded picture goes.
enum Dump : int { kDumpDefault = 0, kNoDump = 1, kDumpToFile = 2 };
// --map: how the picture's colours become the machine's.
enum ColourMap : int { kMapUnset = 0, kMapIndex = 1, kMapColour = 2 };
// --dither: unset, then the ways of picfit::Dither in their order.
enum DitherOption : int {
    kDitherUnset = 0,
    kDitherNone,
    kDitherFloydSteinberg,
    kDitherAtkinson,
    kDitherBayer4,
    kDitherBayer8,
};

// --background: one of the machine's 8 colours by name, or any colour as #RRGGBB.
struct Background {
    int machine = -1;       // 0 black, 1 red, 2 green, 3 yellow, 4 blue, 5 magenta,
                            // 6 cyan, 7 white; -1 when given as #RRGGBB
    std::uint32_t rgb = 0;  // 0xRRGGBB when given so

    bool operator==(const Background&) const = default;
};

// Left in the working directory after every successful read: the decoded pixels,
// nothing before or after, for looking at the picture as the converter saw it.
inline constexpr const char* kDumpName = "truc.raw";

// The accepted command line, which is also the run's job. source_is_stdin: the source
// is read from standard input; target_is_stdout: the TAV file goes to standard output,
// every line printed to standard error; quiet: no size lines, no "written" lines;
// verbose: a line more after some errors.
struct State : fit::CommonSettings {
    int mode = kColour;  // -b: kTwoColour
    // Where the decoded pixels go (--no-dump, --dump=FILE). The default dump is skipped
    // without a word when it cannot be written; a named one is an error, and it may not
    // be the target either.
    Dump dump = kDumpDefault;
    std::string dump_to;            // the FILE of --dump
    ColourMap map = kMapUnset;      // --map
    DitherOption dither = kDitherUnset;  // --dither
    std::optional<Background> background;
    bool fit_picture = false;       // --fit: scale the picture to the screen
    std::optional<std::string> preview;  // --preview=FILE

    bool operator==(const State&) const = default;

    // The dump's file, or none.
    [[nodiscard]] std::optional<std::string> dump_file() const {
        if (dump == kNoDump) return std::nullopt;
        return dump == kDumpToFile ? dump_to : std::string(kDumpName);
    }
    [[nodiscard]] bool dump_named() const { return dump == kDumpToFile; }
};

// fit::kGoOn when the run may go on, fit::kRefused when the program must exit with
// status 1, fit::kAnswered after --help or --version (exit status 0).
int ManageArguments(int argc, char** argv, State& state, fit::Reporter& report);

// The options as the parser reads them, for the bash completion.
fit::OptionTable option_table();

// The command line's names and tables, for the banner (see fit::print_banner).
const fit::CommandLine& command_line();

}  // namespace picfit
