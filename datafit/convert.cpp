#include "converters.hpp"

namespace datafit {

int convert(const State& state, fit::Work& work, fit::Reporter& report) {
    switch (state.TypeDest) {
    case kDOS: return DOSConv(state, work, report);
    case kK7: return K7Conv(state, work, report);
    case kTASM: return TASMConv(state, work, report);
    default: return 1;  // the option parser always chooses a type
    }
}

}  // namespace datafit
