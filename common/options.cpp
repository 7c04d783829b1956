#include "options.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "file_io.hpp"

namespace fit {

OptionScanner::OptionScanner(int argc, char** argv, const char* optstring,
                             std::span<const LongOption> longs, std::string_view program,
                             bool silent)
    : argc_(argc), argv_(argv), optstring_(optstring), longs_(longs), program_(program),
      silent_(silent) {}

int OptionScanner::next() {
    long_value_ = nullptr;
    short_value_ = nullptr;
    if (cluster_ == nullptr || *cluster_ == '\0') {
        cluster_ = nullptr;
        for (;;) {
            if (index_ >= argc_) return -1;
            const std::string_view word(argv_[index_]);
            if (word == "--") {
                // Whatever follows "--" is a file name.
                for (int i = index_ + 1; i < argc_; ++i) names_.emplace_back(argv_[i]);
                index_ = argc_;
                return -1;
            }
            if (word.size() > 2 && word.starts_with("--")) return next_long(word, index_);
            if (word.size() < 2 || word[0] != '-') {
                // A name, "-" included, kept in its place among the options.
                names_.emplace_back(word);
                ++index_;
                continue;
            }
            cluster_ = argv_[index_++] + 1;
            break;
        }
    }
    const auto c = static_cast<unsigned char>(*cluster_++);
    const std::size_t at = c == ':' || c == ';' ? std::string::npos : optstring_.find(static_cast<char>(c));
    if (at == std::string::npos) {
        if (!silent_) std::fprintf(stderr, "%s: invalid option -- '%c'\n", argv_[0], c);
        bad_ = c;
        return '?';
    }
    if (at + 1 < optstring_.size() && optstring_[at + 1] == ':') {
        if (*cluster_ != '\0') {
            short_value_ = cluster_;
        } else if (index_ < argc_) {
            short_value_ = argv_[index_++];
        } else {
            if (!silent_)
                std::fprintf(stderr, "%s: option requires an argument -- '%c'\n", argv_[0], c);
            bad_ = c;
            return '?';
        }
        cluster_ = nullptr;
    }
    return c;
}

std::span<const LongOption> common_long_options() {
    static constexpr std::array<LongOption, 4> kCommon{{
        {"quiet", false, kLongQuiet},
        {"verbose", false, kLongVerbose},
        {"help", false, kLongHelp},
        {"version", false, kLongVersion},
    }};
    return kCommon;
}

std::string joined(std::span<const std::string> words, std::string_view separator) {
    std::string text;
    for (const auto& word : words) text += (text.empty() ? "" : std::string(separator)) + word;
    return text;
}

std::string spoken_list(std::span<const std::string> words, std::string_view last) {
    std::string list;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) list += i + 1 == words.size() ? last : std::string_view(", ");
        list += words[i];
    }
    return list;
}

int OptionScanner::next_long(std::string_view word, int index) {
    word.remove_prefix(2);
    const std::size_t equals = word.find('=');
    const std::string_view name = word.substr(0, equals);
    index_ = index + 1;
    const LongOption* found = nullptr;
    for (const auto& options : {longs_, common_long_options()})
        for (const auto& option : options)
            if (option.name == name) found = &option;
    const auto program = static_cast<int>(program_.size());
    const auto shown = static_cast<int>(name.size());
    if (found == nullptr) {
        if (silent_) return kLongRefused;
        // No abbreviations: a prefix that works today could name two options tomorrow.
        std::fprintf(stderr, "%.*s: --%.*s: unknown option; see %.*s --help\n", program,
                     program_.data(), shown, name.data(), program, program_.data());
        return kLongRefused;
    }
    long_name_ = found->name;
    if (!found->takes_value) {
        if (equals != std::string_view::npos) {
            if (silent_) return kLongRefused;
            std::fprintf(stderr, "%.*s: --%.*s: takes no value\n", program, program_.data(),
                         shown, name.data());
            return kLongRefused;
        }
        long_value_ = "";
        return found->code;
    }
    if (equals != std::string_view::npos) {
        long_value_ = argv_[index] + 2 + equals + 1;
    } else if (index + 1 < argc_) {
        long_value_ = argv_[index + 1];
        index_ = index + 2;
    } else {
        if (silent_) return kLongRefused;
        std::fprintf(stderr, "%.*s: --%.*s: needs a value; see %.*s --help\n", program,
                     program_.data(), shown, name.data(), program, program_.data());
        return kLongRefused;
    }
    return found->code;
}

const char* OptionScanner::argument() const {
    if (long_value_ != nullptr) return long_value_;
    return short_value_ != nullptr ? short_value_ : "";
}

unsigned char OptionScanner::bad_option() const { return bad_; }

const char* after_first(const char* argument) {
    return argument[0] != '\0' ? argument + 1 : argument;
}

void report_bad_option(unsigned char c, std::string_view with_argument) {
    if (c != 0 && with_argument.find(static_cast<char>(c)) != std::string_view::npos)
        std::fprintf(stderr, "Option -%c requires an argument.\n", c);
    else if (std::isprint(c))
        std::fprintf(stderr, "Unknown option `-%c'.\n", c);
    else
        std::fprintf(stderr, "Unknown option character `\\x%x'.\n", static_cast<unsigned>(c));
}

void refuse_value(std::string_view program, std::string_view option, std::string_view got,
                  std::string_view why) {
    std::fprintf(stderr, "%.*s: --%.*s=%.*s: %.*s\n", static_cast<int>(program.size()),
                 program.data(), static_cast<int>(option.size()), option.data(),
                 static_cast<int>(got.size()), got.data(), static_cast<int>(why.size()),
                 why.data());
}

int hex_digit(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
}

bool same_name_any_case(std::string_view typed, std::string_view name) {
    if (typed.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(typed[i])) != name[i]) return false;
    return true;
}

std::optional<unsigned long> parse_hex_strictly(std::string_view text, unsigned long highest) {
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    else if (text.starts_with('$'))
        text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    unsigned long value = 0;
    for (const char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned long>(digit);
        if (value > highest) return std::nullopt;  // also keeps long digit strings from wrapping
    }
    return value;
}

Outline outline(int argc, char** argv, const CommandLine& command) {
    Outline found;
    OptionScanner scan(argc, argv, command.shorts, command.longs, {}, true);
    for (int c = scan.next(); c != -1; c = scan.next())
        if (c == kLongQuiet) found.quiet = true;
    found.to_stdout = scan.names().size() == 2 && is_standard_stream(scan.names()[1]);
    return found;
}

namespace {

// "Codefit 2010.01\n".
std::string title_line(const CommandLine& command) {
    return std::string(command.title) + " " + FIT_VERSION + "\n";
}

// --version's line: none for a converter whose banner went to standard output already,
// as it does unless --quiet or a target on standard output sends it elsewhere.
void print_version(const CommandLine& command, int argc, char** argv) {
    if (command.banner) {
        const Outline found = outline(argc, argv, command);
        if (!found.quiet && !found.to_stdout) return;
    }
    std::fputs(title_line(command).c_str(), stdout);
}

// The short options that take a value: "trbnl" of "hpct:r:b:n:l:".
std::string with_argument(std::string_view shorts) {
    std::string letters;
    for (std::size_t i = 0; i + 1 < shorts.size(); ++i)
        if (shorts[i + 1] == ':' && shorts[i] != ':') letters += shorts[i];
    return letters;
}

// --quiet, --verbose, --help, --version, -h and a long option the scanner refused:
// kGoOn to read on, what ManageArguments returns now, or nothing for any other code.
std::optional<int> take_common(int code, const CommandLine& command, int argc, char** argv,
                               Voice& voice) {
    switch (code) {
    case kLongQuiet:
        voice.quiet = true;
        return kGoOn;
    case kLongVerbose:
        voice.verbose = true;
        return kGoOn;
    case kLongHelp:
        std::fputs(command.help().c_str(), stdout);
        return kAnswered;
    case kLongVersion:
        print_version(command, argc, argv);
        return kAnswered;
    case 'h':
        std::fputs(command.usage().c_str(), stdout);
        return kRefused;
    case OptionScanner::kLongRefused:
        return kRefused;
    default:
        return std::nullopt;
    }
}

}  // namespace

void print_banner(const CommandLine& command, int argc, char** argv) {
    const Outline found = outline(argc, argv, command);
    if (found.quiet) return;
    std::FILE* to = found.to_stdout ? stderr : stdout;
    std::fputs(title_line(command).c_str(), to);
    std::fflush(to);
}

std::string converter_help_common(std::size_t column) {
    constexpr std::array<std::array<std::string_view, 2>, 5> kLines{{
        {"           --quiet", "no banner and no \"file written\" line; errors only"},
        {"           --verbose", "after an error of the system, its reason"},
        {"  -h", "the usage line (exit status 1)"},
        {"           --help", "this text"},
        {"           --version", "the program's name and version"},
    }};
    std::string text;
    for (const auto& [left, words] : kLines)
        text += std::string(left) + std::string(column - left.size(), ' ') + std::string(words) + "\n";
    return text +
           "\n"
           "A file named - is standard input as the source, standard output as the target\n"
           "(then the banner and every message go to standard error); ./- is a file.\n";
}

int read_command_line(const CommandLine& command, int argc, char** argv, Voice& voice,
                      const OwnOption& own, std::vector<std::string>& names) {
    OptionScanner scan(argc, argv, command.shorts, command.longs, command.program);
    for (int c = scan.next(); c != -1; c = scan.next()) {
        std::optional<int> taken = take_common(c, command, argc, argv, voice);
        if (!taken) taken = own(c, scan);
        if (!taken) {
            report_bad_option(scan.bad_option(), with_argument(command.shorts));
            return kRefused;
        }
        if (*taken != kGoOn) return *taken;
    }
    names = scan.names();
    return kGoOn;
}

int answered_status() {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
    std::fputs("standard output: cannot write.\n", stderr);
    return 1;
}

bool take_two_names(const std::vector<std::string>& names, std::string& source,
                    std::string& target) {
    if (names.size() != 2) {
        std::fputs("Two arguments required: sourceFile TargetFile.\n", stderr);
        return false;
    }
    source = names[0];
    target = names[1];
    return true;
}

bool take_source_and_target(const std::vector<std::string>& names, CommonSettings& files,
                            Reporter& report, int same_name_code) {
    if (!take_two_names(names, files.source, files.target)) return false;
    files.source_is_stdin = is_standard_stream(files.source);
    files.target_is_stdout = is_standard_stream(files.target);
    // The names as typed, then the files they lead to: a target that is the source
    // under another spelling, a link or a hard link would replace it. "-" is a stream,
    // not a file: standard input read whole cannot be harmed by standard output, but a
    // target may be the very file standard input reads.
    if (files.target_is_stdout) return true;
    const bool same = files.source_is_stdin ? standard_input_is(files.target)
                                            : files.source == files.target ||
                                                  same_file(files.source, files.target);
    if (same) {
        report.error(same_name_code);
        return false;
    }
    return true;
}

}  // namespace fit
