#include "converters.hpp"
#include "types.hpp"

namespace datafit {

int convert(const State& state, fit::Work& work, fit::Reporter& report) {
    return fit::convert_by_row(kTargetTypes, state.TypeDest, state, work, report);
}

}  // namespace datafit
