#include "converters.hpp"
#include "types.hpp"

namespace codefit {

int convert(const State& state, fit::Work& work, fit::Reporter& report) {
    const TargetType* type = target_type(state.TypeDest);
    return type != nullptr ? type->convert(state, work, report)
                           : 1;  // the option parser always chooses a type
}

}  // namespace codefit
