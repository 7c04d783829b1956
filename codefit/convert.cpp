#include "converters.hpp"
#include "types.hpp"

namespace codefit {

int convert(const State& state, fit::Work& work, fit::Reporter& report) {
    for (const auto& type : kTargetTypes)
        if (type.TypeDest == state.TypeDest) return type.convert(state, work, report);
    return 1;  // the option parser always chooses a type
}

}  // namespace codefit
