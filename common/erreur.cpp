#include "erreur.hpp"

namespace fit {

void Reporter::erreur(int code) {
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

}  // namespace fit
