// The converter frame: the opening of every converter's run and its "file written"
// line; for codefit and datafit also the two whole-file work buffers, loading the
// source, saving the target and the fixed run sequence around one converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "reporter.hpp"
#include "options.hpp"
#include "page_buffer.hpp"

namespace fit {

// The whole source and the whole target of one run.
struct Work {
    Buffer in_buffer;   // sized to its capacity by init()
    Buffer out_buffer;
    int LengthIN = 0;
    int LengthOUT = 0;

    [[nodiscard]] std::span<const std::uint8_t> input() const {
        return {in_buffer.data(), static_cast<std::size_t>(LengthIN)};
    }
    [[nodiscard]] std::span<const std::uint8_t> output() const {
        return {out_buffer.data(), static_cast<std::size_t>(LengthOUT)};
    }
};

struct Capacities {
    std::size_t in;   // also the longest source read
    std::size_t out;
};

// What load() does with a source longer than the input capacity.
struct LongSource {
    int refuse_code = 0;  // 0: cut it at the capacity; else report this code
};

// Allocates both buffers; code 6 on failure.
bool init(Work& work, Capacities caps, Reporter& report);

// Reads the source into in_buffer (at most its capacity), standard input when it is named
// "-"; returns LengthIN, 0 after an error (code 2, 4 or the refusal code of `longer`).
int load(Work& work, const std::string& source, LongSource longer, Reporter& report);

// "<name> file written." on standard error: what a converter says of each file it wrote
// whole.
void report_written(const std::string& name);

// Steps 1 and 2 of a converter's run: its banner, then its options read by `manage`
// into settings whose --quiet and --verbose are `voice`, --verbose handed to `report`.
// Returns the exit status when the run ends there (0 once --help or --version is out,
// 1 after -h, a refusal or a lost text), nothing when it goes on.
std::optional<int> open_run(const CommandLine& command, int argc, char** argv,
                            const std::function<int()>& manage, const Voice& voice,
                            Reporter& report);

// A converter's whole run: its reporter, its settings read by `manage` (see open_run),
// then `go` with them; returns the exit status.
template <typename Settings>
int converter_main(const CommandLine& command, const ErrorTable& errors, int argc, char** argv,
                   int (*manage)(int, char**, Settings&, Reporter&),
                   const std::function<int(const Settings&, Reporter&)>& go) {
    Reporter report(errors);
    Settings settings;
    const auto read = [&] { return manage(argc, argv, settings, report); };
    if (const auto ended = open_run(command, argc, argv, read, settings, report)) return *ended;
    return go(settings, report);
}

// Writes LengthOUT bytes of out_buffer, on standard output when the target is named "-";
// returns the count written, 0 after an error (code 3 or 5). "%s file written." on
// standard error follows only a complete write, unless `quiet`.
int save(const Work& work, const std::string& target, Reporter& report, bool quiet = false);

// Releases both buffers.
void end(Work& work);

using Converter = std::function<int(Work&, Reporter&)>;

struct Run {
    Capacities caps;
    LongSource longer;
    std::string source;
    std::string target;
    bool quiet = false;  // no "file written" line
};

// Steps 3 to 7 of the run sequence, once the options were accepted: returns the exit
// status, 0 when the whole target was written, else the first error code reported.
int run_conversion(const Run& run, const Converter& convert, Reporter& report);

}  // namespace fit
