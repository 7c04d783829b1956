#include "converters.hpp"
#include "types.hpp"

namespace datafit {

int convert(const State& state, fit::Work& work, fit::Reporter& report) {
    return fit::convert_by_row(kTargetTypes, state.type_number, state, work, report);
}

}  // namespace datafit
