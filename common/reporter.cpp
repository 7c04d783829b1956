#include "reporter.hpp"

#include "file_io.hpp"

namespace fit {

void Reporter::error(int code) {
    std::fputs("ERROR: ", stderr);
    const bool known = code > 0 && static_cast<std::size_t>(code) < table_.messages.size() &&
                       !table_.messages[static_cast<std::size_t>(code)].empty();
    if (known) {
        const auto text = table_.messages[static_cast<std::size_t>(code)];
        std::fwrite(text.data(), 1, text.size(), stderr);
    } else {
        std::fprintf(stderr, table_.fallback, code);
    }
    if (first_ == 0) first_ = code;
    ++count_;
}

void Reporter::explain(const std::string& name) const {
    if (!verbose_) return;
    const std::string why = last_failure();
    if (!why.empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), why.c_str());
}

}  // namespace fit
