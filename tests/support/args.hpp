// An argv built from words, for calling an option parser directly.
#pragma once

#include <string>
#include <vector>

namespace fit_test {

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

}  // namespace fit_test
