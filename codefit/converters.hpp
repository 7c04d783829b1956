// What codefit's converters share: the buffers' sizes, the dispatch, the range check.
// The converters themselves are declared with their rows, in types.hpp.
#pragma once

#include "common/frame.hpp"
#include "messages.hpp"
#include "options.hpp"

namespace codefit {

inline constexpr fit::Capacities kCapacities{0xFFFF, 0x1D600};

// The converter that type_number selects.
int convert(const State& state, fit::Work& work, fit::Reporter& report);

// What a converter found of the three ranges, each true when it holds.
struct RangeTests {
    bool load;   // load_address
    bool entry;  // entry_address
    bool end;    // load_address + LengthIN
};

// Reports the first range that does not hold, in this order (kLoadAddress,
// kEntryAddress, kCodeEnd); true when all do.
inline bool ranges_hold(const RangeTests& tests, fit::Reporter& report) {
    const int code = !tests.load ? kLoadAddress : !tests.entry ? kEntryAddress
                   : !tests.end  ? kCodeEnd     : 0;
    if (code != 0) report.error(code);
    return code == 0;
}

}  // namespace codefit
