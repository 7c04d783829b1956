#include "converters.hpp"

namespace codefit {

int convert(const State& state, fit::Work& work, fit::Reporter& report) {
    switch (state.TypeDest) {
    case kEXE: return ExeConv(state, work, report);
    case kDOS: return DosConv(state, work, report);
    case kROM: return RomConv(state, work, report);
    case kK7: return K7Conv(state, work, report);
    case kBAS: return BasConv(state, work, report);
    default: return 1;  // the option parser always chooses a type
    }
}

}  // namespace codefit
