#include "converters.hpp"

namespace codefit {

int BasConv(const State&, fit::Work&, fit::Reporter& report) {
    report.erreur(99);  // not built yet
    return 1;
}

}  // namespace codefit
