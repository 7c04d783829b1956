// An argv built from words, for calling an option parser directly.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/options.hpp"
#include "common/reporter.hpp"

namespace fit_test {

// The names of a type table's rows after its first `kept`, each after a "|": what a
// type added after today's ones puts into a usage line.
template <typename Rows>
std::string later_names(const Rows& rows, std::size_t kept) {
    return fit::joined(fit::row_names(std::span(rows).subspan(kept), false, "|"), "");
}

class Args {
public:
    Args(std::initializer_list<std::string> words) : words_(words) {
        for (auto& w : words_) ptrs_.push_back(w.data());
        ptrs_.push_back(nullptr);
    }
    [[nodiscard]] int argc() const { return static_cast<int>(words_.size()); }
    char** argv() { return ptrs_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> ptrs_;
};

// What an option parser made of a command line, and what it printed.
template <typename State>
struct ParseResult {
    int result = -1;
    State state;
    std::string out;
    std::string err;
};

// Runs ManageArguments(argc, argv, state, report) on the words, with a fresh state.
template <typename State, typename Parser>
ParseResult<State> parse_with(Parser parser, const fit::ErrorTable& table,
                         std::vector<std::string> words) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    ParseResult<State> p;
    fit::Reporter report(table);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    p.result = parser(static_cast<int>(words.size()), argv.data(), p.state, report);
    p.err = testing::internal::GetCapturedStderr();
    p.out = testing::internal::GetCapturedStdout();
    return p;
}

// parse_with on the words that open a command line (the program and its two file
// names), followed by `options`.
template <typename State, typename Parser>
ParseResult<State> parse_after(Parser parser, const fit::ErrorTable& table, std::vector<std::string> words,
                          const std::vector<std::string>& options) {
    words.insert(words.end(), options.begin(), options.end());
    return parse_with<State>(parser, table, std::move(words));
}

// A program's option reader for a test file: called with the options that follow the
// opening words (the program and its two file names), or, without opening words, with
// whole command lines.
template <typename State, typename Parser>
auto option_reader(Parser parser, const fit::ErrorTable& table, std::vector<std::string> opening = {}) {
    return [parser, &table, opening](std::vector<std::string> words) {
        return parse_after<State>(parser, table, opening, words);
    };
}

}  // namespace fit_test
