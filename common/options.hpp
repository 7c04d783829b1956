// Pieces shared by the option parsers. Short options are read as GNU getopt reads them,
// with its diagnostics word for word, on every platform whatever its C library; long options (--name, --name=value, --name value) are read here, by
// exact name only, so that a script keeps working when options are added.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reporter.hpp"
#include "rows.hpp"

namespace fit {

// What ManageArguments tells the run sequence.
enum ParseOutcome : int {
    kGoOn = 0,      // settings complete
    kRefused = 1,   // exit with status 1 (a refusal, or -h)
    kAnswered = 2,  // --help or --version answered: exit with status 0
};

// A long option. Long twins of short options get codes of their own, so that their
// strict value rules never mix with the lenient short ones.
struct LongOption {
    std::string_view name;  // without the leading "--"
    bool takes_value;
    int code;               // what OptionScanner::next() returns for it
};

// The long options every program reads, coded above every option character; each
// program's own codes start at kFirstOwnLongCode.
enum CommonLongCode : int {
    kLongQuiet = 0x100,
    kLongVerbose,
    kLongHelp,
    kLongVersion,
    kFirstOwnLongCode,
};

// Called only where a name is not in the table, which then does not compile.
void no_such_long_option();

// A program's own long options, named as the scanner's option string names short ones:
// "type=" takes a value, "paged" none. Each is coded by its place from kFirstOwnLongCode
// on, so a name is written in the list and where it is read
// (`case kLongOptions.code("type"):`).
template <std::size_t N>
class LongOptions {
public:
    constexpr explicit LongOptions(const std::string_view (&names)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            const bool takes_value = names[i].ends_with('=');
            options_[i] = {names[i].substr(0, names[i].size() - (takes_value ? 1 : 0)),
                           takes_value, kFirstOwnLongCode + static_cast<int>(i)};
        }
    }
    [[nodiscard]] consteval int code(std::string_view name) const {
        for (const auto& option : options_)
            if (option.name == name) return option.code;
        no_such_long_option();
        return 0;
    }
    constexpr operator std::span<const LongOption>() const { return options_; }  // NOLINT

private:
    std::array<LongOption, N> options_{};
};

// Walks argv as GNU getopt does with an option string that starts with '-' (clusters
// such as -pc, an argument glued or in the next word whatever it looks like, glibc's
// two diagnostics naming argv[0]). Non-option words are collected in order wherever they stand,
// so options may come before, between or after the file names. A word starting with
// "--" (but "--" alone, which ends the options) is a long option.
class OptionScanner {
public:
    OptionScanner(int argc, char** argv, const char* optstring,
                  std::span<const LongOption> longs = {}, std::string_view program = {},
                  bool silent = false);

    // The next option character or long code (the program's own or a CommonLongCode), '?' for an unknown option or a missing
    // argument (see bad_option()), kLongRefused after a bad long option has been
    // reported in full, or -1 at the end.
    int next();
    [[nodiscard]] const char* argument() const;
    // The option character just refused, as an unsigned byte.
    [[nodiscard]] unsigned char bad_option() const;
    [[nodiscard]] const std::vector<std::string>& names() const { return names_; }
    // The name of the long option just returned, for messages.
    [[nodiscard]] std::string_view long_name() const { return long_name_; }

    static constexpr int kLongRefused = -2;

private:
    int next_long(std::string_view word, int index);

    int argc_;
    char** argv_;
    std::string optstring_;
    std::span<const LongOption> longs_;
    std::string_view program_;
    bool silent_;  // no diagnostics: a first look at the command line
    std::vector<std::string> names_;
    unsigned char bad_ = 0;
    int index_ = 1;                  // the next word to read
    const char* cluster_ = nullptr;  // the rest of a cluster such as -pc, if inside one
    const char* short_value_ = nullptr;
    std::string_view long_name_;
    const char* long_value_ = nullptr;
};

// "program: --option=got: why\n" on standard error: the one line a refused long
// option's value gets.
void refuse_value(std::string_view program, std::string_view option, std::string_view got,
                  std::string_view why);

// The value of a hexadecimal digit of either case, or -1.
int hex_digit(char c);

// `typed` is `name` (upper case) in any case.
bool same_name_any_case(std::string_view typed, std::string_view name);

// A whole hexadecimal number, optionally after "0x", "0X" or "$", at most `highest`.
std::optional<unsigned long> parse_hex_strictly(std::string_view text, unsigned long highest);

// The long options every program reads besides its own: --quiet, --verbose, --help and
// --version.
std::span<const LongOption> common_long_options();

// What one option's value may be, for the bash completion: `words` to choose from, or
// a file name when there are none.
struct OptionValues {
    std::string_view option;  // a long option's name, or a short option's character
    std::vector<std::string> words;
};

// One program's options as its parser reads them; the bash completion is made from it.
struct OptionTable {
    std::string_view program;
    std::string_view shorts;     // the scanner's option string
    std::string_view unoffered;  // short options read but never offered (datafit's -i)
    std::span<const LongOption> longs;  // the program's own; common_long_options() follow
    std::vector<OptionValues> values;
};

// "a, b or c": the words as a sentence lists them, `last` before the last one.
std::string spoken_list(std::span<const std::string> words, std::string_view last = " or ");

// The words joined by `separator`: "EXE|DOS|ROM".
std::string joined(std::span<const std::string> words, std::string_view separator);

// The row whose `name` is `typed` in any case, or none.
template <typename Rows>
const typename Rows::value_type* row_named(const Rows& rows, std::string_view typed) {
    for (const auto& row : rows)
        if (same_name_any_case(typed, row.name)) return &row;
    return nullptr;
}

// The `name` of every row of a table, in its order, optionally in lower case, each
// after `prefix`.
template <typename Rows>
std::vector<std::string> row_names(const Rows& rows, bool lower = false,
                                   std::string_view prefix = {}) {
    std::vector<std::string> names;
    for (const auto& row : rows) {
        std::string name = std::string(prefix) + std::string(row.name);
        if (lower)
            for (char& c : name)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        names.push_back(std::move(name));
    }
    return names;
}

// The type row -t names: its argument is ":" and the row's name in the name's case.
// None for anything else, which -t has always passed over without a word.
template <typename Rows>
const typename Rows::value_type* type_of_short(const Rows& rows, std::string_view argument) {
    return argument.starts_with(':') ? row_spelled(rows, argument.substr(1)) : nullptr;
}

// The type row --type names, in any case; none after refusing the value with the
// names there are.
template <typename Rows>
const typename Rows::value_type* type_of_long(std::string_view program, const Rows& rows,
                                              std::string_view argument) {
    const auto* row = row_named(rows, argument);
    if (row == nullptr)
        refuse_value(program, "type", argument, "unknown type; use " + spoken_list(row_names(rows, true)));
    return row;
}

// --quiet and --verbose: how much every program says.
struct Voice {
    bool quiet = false;    // --quiet
    bool verbose = false;  // --verbose

    bool operator==(const Voice&) const = default;
};

// What every converter's settings hold besides its own options: its two files.
struct CommonSettings : Voice {
    std::string source;
    std::string target;
    bool source_is_stdin = false;   // the source was named "-"
    bool target_is_stdout = false;  // the target was named "-"

    bool operator==(const CommonSettings&) const = default;
};

// One program's command line, as its reading, its banner and its --help and --version
// need it.
struct CommandLine {
    std::string_view program;           // "codefit": a refused long option names it
    std::string_view title;             // "Codefit": the banner's and --version's name
    const char* shorts;                 // the scanner's option string
    std::span<const LongOption> longs;  // the program's own; common_long_options() follow
    std::string (*help)();              // --help's text
    std::string (*usage)();             // -h's line(s)
    bool banner = true;                 // a converter's, printed before its options are read
};

// A converter's -h line as it has always read: "Usage: codefit sourceFile targetFile
// [-t:EXE|DOS|ROM|K7|BAS]", its types from its table, then `rest`.
template <typename Rows>
std::string usage_with_types(std::string_view program, const Rows& types, std::string_view rest) {
    return "Usage: " + std::string(program) + " sourceFile targetFile [-t:" +
           joined(row_names(types), "|") + "]" + std::string(rest);
}

// What a first, silent reading of the command line tells before the options are read
// for real: where the banner goes, if anywhere.
struct Outline {
    bool quiet = false;      // --quiet
    bool to_stdout = false;  // the target (the second file name) is "-"
};
Outline outline(int argc, char** argv, const CommandLine& command);

// The banner, "Codefit 2010.01" with the version the build declares, before the options
// are read so that it comes before their messages as it always did: on standard output,
// on standard error when standard output carries the target, nowhere with --quiet.
void print_banner(const CommandLine& command, int argc, char** argv);

// A converter's exit status after --help or --version: 0 once the text is out on
// standard output; 1, with a line on standard error, when it could not be written (a
// full disk, a pipe closed early), so that no script takes a lost text for success.
int answered_status();

// The lines a converter's --help gives --quiet, --verbose, -h, --help, --version and the
// file named -, their words starting at `column` as the program's other lines do.
std::string converter_help_common(std::size_t column);

// kGoOn when an option was taken, kRefused after its refusal.
constexpr int go_on_if(bool taken) { return taken ? kGoOn : kRefused; }

// One of a program's own options, `code` as the scanner gave it: kGoOn to read on,
// kRefused or kAnswered to stop there, nothing when the program has no such option.
using OwnOption = std::function<std::optional<int>(int code, const OptionScanner& scan)>;

// Reads the whole command line into `voice` and, through `own`, the program's own
// settings; -h, --help, --version and every refusal are answered here. Returns kGoOn
// with the file names in `names`, else what ManageArguments returns.
int read_command_line(const CommandLine& command, int argc, char** argv, Voice& voice,
                      const OwnOption& own, std::vector<std::string>& names);

// read_command_line with `take` reading the program's own options into `settings`.
template <typename Settings>
int read_command_line(const CommandLine& command, int argc, char** argv, Settings& settings,
                      std::optional<int> (*take)(int, const OptionScanner&, Settings&),
                      std::vector<std::string>& names) {
    return read_command_line(
        command, argc, argv, settings,
        [&](int code, const OptionScanner& scan) { return take(code, scan, settings); }, names);
}

// "-" names standard input as a source and standard output as a target; "./-" is a file.
inline bool is_standard_stream(std::string_view name) { return name == "-"; }


// The argument after its first character, which is skipped unread (the colon of
// -r:C300). An empty argument stays empty.
const char* after_first(const char* argument);

// "Option -%c requires an argument." when `c` is one of `with_argument`, else the
// unknown-option message for a printable or unprintable character.
void report_bad_option(unsigned char c, std::string_view with_argument);

// Exactly two file names must remain; false after the message otherwise.
bool take_two_names(const std::vector<std::string>& names, std::string& source,
                    std::string& target);

// take_two_names, then the two names as typed must differ and must not lead to one
// file (see same_file), nor may the target be the file standard input reads when the
// source is "-": `same_name_code` is reported otherwise. Marks "-" on either side.
bool take_source_and_target(const std::vector<std::string>& names, CommonSettings& files,
                            Reporter& report, int same_name_code);

}  // namespace fit
