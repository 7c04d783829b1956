#include <algorithm>
#include <string>
#include <vector>

#include "checks.hpp"
#include "codefit/options.hpp"
#include "codefit/types.hpp"
#include "datafit/options.hpp"
#include "datafit/types.hpp"
#include "picfit/options.hpp"

namespace fit_fuzz {

namespace {

using Words = std::vector<std::string>;

constexpr std::size_t kMostWords = 64;

// A fresh argv of the words.
class Argv {
public:
    explicit Argv(const Words& words) : words_(words) {
        for (auto& w : words_) ptrs_.push_back(w.data());
        ptrs_.push_back(nullptr);
    }
    [[nodiscard]] int argc() const { return static_cast<int>(words_.size()); }
    char** argv() { return ptrs_.data(); }
    // The words as argv holds them after a parse.
    [[nodiscard]] Words now() const { return {ptrs_.begin(), ptrs_.end() - 1}; }

private:
    Words words_;
    std::vector<char*> ptrs_;
};

bool has(const Words& words, const std::string& w) {
    return std::ranges::find(words.begin() + 1, words.end(), w) != words.end();
}

template <typename State, typename Parse>
std::string parse_twice(const Words& words, Parse parse, const fit::ErrorTable& table,
                        int& result, State& state) {
    Argv first(words);
    Argv second(words);
    State again;
    fit::Reporter r1(table);
    fit::Reporter r2(table);
    result = parse(first.argc(), first.argv(), state, r1);
    const int result2 = parse(second.argc(), second.argv(), again, r2);
    if (result != fit::kGoOn && result != fit::kRefused && result != fit::kAnswered)
        return "returned " + std::to_string(result);
    if (result2 != result || !(again == state)) return "the same words gave other settings";
    // The scanner reads argv in place and leaves it as the caller gave it.
    if (first.now() != words) return "argv was changed";
    if (result == 0) {
        if (r1.failed()) return "accepted after an error";
        if (!has(words, state.source) || !has(words, state.target)) return "a file name is no word";
        // Standard input and standard output are two streams, though both are named "-".
        if (state.source == state.target && state.source != "-") return "the same name twice";
        if (state.source_is_stdin != (state.source == "-")) return "standard input misnamed";
        if (state.target_is_stdout != (state.target == "-")) return "standard output misnamed";
    }
    // A long flag in front of the same words changes its own setting and nothing else.
    Words flagged = words;
    flagged.insert(flagged.begin() + 1, "--verbose");
    Argv third(flagged);
    State verbose;
    fit::Reporter r3(table);
    if (parse(third.argc(), third.argv(), verbose, r3) != result)
        return "--verbose in front changed the outcome";
    if (result == fit::kGoOn) {
        if (!verbose.verbose) return "--verbose in front was lost";
        verbose.verbose = state.verbose;
        if (!(verbose == state)) return "--verbose in front changed other settings";
    }
    return "";
}

std::string check_codefit_options(const Words& words) {
    int result = 0;
    codefit::State s;
    if (auto e = parse_twice(words, codefit::ManageArguments, fit::codefit_errors, result, s);
        !e.empty())
        return "codefit: " + e;
    if (result != 0) return "";
    if (codefit::target_type(s.type_number) == nullptr) return "codefit: no type";
    if (s.entry_address < s.load_address) return "codefit: the entry lies below the load address";
    if (s.loaderk7 < 0 || s.loaderk7 > 2) return "codefit: no such loader";
    return "";
}

std::string check_datafit_options(const Words& words) {
    int result = 0;
    datafit::State s;
    if (auto e = parse_twice(words, datafit::ManageArguments, fit::datafit_errors, result, s);
        !e.empty())
        return "datafit: " + e;
    if (result == 0 && datafit::target_type(s.type_number) == nullptr)
        return "datafit: no type";
    return "";
}

std::string check_picfit_options(const Words& words) {
    int result = 0;
    picfit::State s;
    if (auto e = parse_twice(words, picfit::ManageArguments, fit::picfit_errors, result, s);
        !e.empty())
        return "picfit: " + e;
    if (result != 0) return "";
    if (s.mode != picfit::kColour && s.mode != picfit::kTwoColour) return "picfit: no mode";
    if ((s.dump == picfit::kDumpToFile) == s.dump_to.empty()) return "picfit: dump without a file";
    if (s.map < picfit::kMapUnset || s.map > picfit::kMapColour) return "picfit: no such map";
    if (s.dither < picfit::kDitherUnset || s.dither > picfit::kDitherBayer8)
        return "picfit: no such dither";
    if (s.background && (s.background->machine < -1 || s.background->machine > 7 ||
                         s.background->rgb > 0xFFFFFF ||
                         (s.background->machine >= 0 && s.background->rgb != 0)))
        return "picfit: no such background";
    if (s.preview && s.preview->empty()) return "picfit: preview without a file";
    return "";
}

}  // namespace

std::string check_options(std::span<const std::uint8_t> input) {
    Words words{"fit"};
    std::string word;
    for (const std::uint8_t b : input) {
        if (b != 0) {
            word += static_cast<char>(b);
            continue;
        }
        words.push_back(std::move(word));
        word.clear();
        if (words.size() == kMostWords) break;
    }
    if (words.size() < kMostWords && !word.empty()) words.push_back(word);

    if (auto e = check_codefit_options(words); !e.empty()) return e;
    if (auto e = check_datafit_options(words); !e.empty()) return e;
    return check_picfit_options(words);
}

}  // namespace fit_fuzz
