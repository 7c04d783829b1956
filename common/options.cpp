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

Outline outline(int argc, char** argv, const char* optstring, std::span<const LongOption> longs) {
    Outline found;
    OptionScanner scan(argc, argv, optstring, longs, {}, true);
    for (int c = scan.next(); c != -1; c = scan.next())
        if (c == kLongQuiet) found.quiet = true;
    found.to_stdout = scan.names().size() == 2 && is_standard_stream(scan.names()[1]);
    return found;
}

void print_banner(std::string_view banner, const Outline& outline) {
    if (outline.quiet) return;
    std::FILE* to = outline.to_stdout ? stderr : stdout;
    std::fwrite(banner.data(), 1, banner.size(), to);
    std::fflush(to);
}

std::string_view version_name(const Outline& outline, std::string_view name) {
    return outline.quiet || outline.to_stdout ? name : std::string_view{};
}

void print_version(std::string_view display_name) {
    std::printf("%.*s %s\n", static_cast<int>(display_name.size()), display_name.data(),
                FIT_VERSION);
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

bool take_source_and_target(const std::vector<std::string>& names, std::string& source,
                            std::string& target, Reporter& report, int same_name_code) {
    if (!take_two_names(names, source, target)) return false;
    // The names as typed, then the files they lead to: a target that is the source
    // under another spelling, a link or a hard link would replace it. "-" is a stream,
    // not a file: standard input read whole cannot be harmed by standard output, but a
    // target may be the very file standard input reads.
    if (is_standard_stream(target)) return true;
    const bool same = is_standard_stream(source)
                          ? standard_input_is(target)
                          : source == target || same_file(source, target);
    if (same) {
        report.error(same_name_code);
        return false;
    }
    return true;
}

}  // namespace fit
