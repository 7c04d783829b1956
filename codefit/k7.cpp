#include "converters.hpp"

namespace codefit {

int K7Conv(const State&, fit::Work&, fit::Reporter& report) {
    report.erreur(99);  // not built yet
    return 1;
}

}  // namespace codefit
