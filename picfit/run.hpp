// picfit's run once the options were accepted: the picture read, dumped, coded and
// saved, each step's outcome printed as it comes.
#pragma once

#include <optional>
#include <string>

#include "messages.hpp"
#include "options.hpp"
#include "tav.hpp"

namespace picfit {

// Left in the working directory after every successful read: the decoded pixels,
// nothing before or after, for looking at the picture as the converter saw it.
inline constexpr const char* kDumpName = "truc.raw";

struct Job {
    std::string source;  // the picture
    int mode = kColour;
    std::string target;  // the TAV file
    // Where the decoded pixels go; nowhere when empty. The default dump is skipped
    // without a word when it cannot be written; a named one is an error.
    std::optional<std::string> dump = std::string(kDumpName);
    bool dump_named = false;  // by --dump: it may not be the target either
    bool source_is_stdin = false;   // the source is read from standard input
    bool target_is_stdout = false;  // the TAV file goes to standard output, every line
                                    // printed to standard error
    bool quiet = false;             // no size lines, no "written" lines
    bool verbose = false;           // a line more after some errors
    ColourMap map = kMapUnset;      // a PCX's pixels: their index (default) or their colour
    DitherOption dither = kDitherUnset;  // for true colours; Floyd-Steinberg when unset
    std::optional<Background> background{};  // under transparent parts; black when unset
    bool fit = false;                      // scale a picture the mode does not take
    std::optional<std::string> preview{};  // a PNG of the TAV file as written
};

// The job that the accepted options ask for.
Job job_of(const State& state);

// Returns the exit status (see ExitStatus). The target, an explicit dump and the
// preview (made from the target as written) are saved together once every step before
// them succeeded, all or none; the default dump is written whatever fails after the
// picture was read, as it always was.
int run(const Job& job, fit::Reporter& report);

}  // namespace picfit
